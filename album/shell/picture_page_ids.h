#pragma once

#include "widgets/control_id.h"

// The controls of the Picture page ("ピクチャー"), in their tab order. A control added to the page
// gets its row here and is created with it.
namespace picture_page_ids {

inline constexpr ControlId kPage{"picturePage"};
inline constexpr ControlId kFolderTree{"pictureFolderTree", "画像のあるフォルダ"};
inline constexpr ControlId kFileList{"pictureFileList",
                                     "画像ファイル"};  // the pictures, ticked for the album
inline constexpr ControlId kSelectAllButton{"pictureSelectAllButton"};
inline constexpr ControlId kPreview{"picturePreview", "プレビュー"};
inline constexpr ControlId kViewButton{"pictureViewButton"};  // lines or thumbnails, no text
inline constexpr ControlId kReadCaptionsCheck{"pictureReadCaptionsCheck"};  // read_captions
inline constexpr ControlId kRotateButton{"pictureRotateButton"};
inline constexpr ControlId kCommentEdit{"pictureCommentEdit"};  // the highlighted picture's
inline constexpr ControlId kThumbWidthEdit{"pictureThumbWidthEdit",
                                           "サムネイルの幅"};  // thumbnail_x
inline constexpr ControlId kThumbWidthSpin{"pictureThumbWidthSpin",
                                           "サムネイルの幅"};  // its arrows
inline constexpr ControlId kThumbHeightEdit{"pictureThumbHeightEdit",
                                            "サムネイルの高さ"};  // thumbnail_y
inline constexpr ControlId kThumbHeightSpin{"pictureThumbHeightSpin",
                                            "サムネイルの高さ"};        // its arrows
inline constexpr ControlId kHelpButton{"pictureHelpButton", "ヘルプ"};  // the apple, no text

}  // namespace picture_page_ids
