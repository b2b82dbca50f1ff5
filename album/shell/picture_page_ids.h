#pragma once

#include "widgets/control_id.h"

// The controls of the Picture page ("ピクチャー"), in their tab order. A control added to the page
// gets its row here and is created with it.
namespace picture_page_ids {

inline constexpr ControlId kPage{"picturePage"};
inline constexpr ControlId kFolderTree{"pictureFolderTree"};
inline constexpr ControlId kFileList{"pictureFileList"};  // the pictures, ticked for the album
inline constexpr ControlId kSelectAllButton{"pictureSelectAllButton"};
inline constexpr ControlId kPreview{"picturePreview"};
inline constexpr ControlId kReadCaptionsCheck{"pictureReadCaptionsCheck"};  // read_captions
inline constexpr ControlId kCommentEdit{"pictureCommentEdit"};          // the highlighted picture's
inline constexpr ControlId kThumbWidthEdit{"pictureThumbWidthEdit"};    // thumbnail_x
inline constexpr ControlId kThumbWidthSpin{"pictureThumbWidthSpin"};    // its arrows
inline constexpr ControlId kThumbHeightEdit{"pictureThumbHeightEdit"};  // thumbnail_y
inline constexpr ControlId kThumbHeightSpin{"pictureThumbHeightSpin"};  // its arrows
inline constexpr ControlId kRotateButton{"pictureRotateButton"};
inline constexpr ControlId kHelpButton{"pictureHelpButton"};  // the apple, no text

}  // namespace picture_page_ids
