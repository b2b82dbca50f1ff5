#pragma once

#include "widgets/control_id.h"

// The controls of the resizer's dialog, in their tab order. A control added to the dialog gets its
// row here and is created with it.
namespace resize_dialog_ids {

inline constexpr ControlId kDialog{"resizeDialog"};
inline constexpr ControlId kFolderTree{"resizeFolderTree"};  // sourceFolder
inline constexpr ControlId kFileList{"resizeFileList"};      // the pictures, ticked for the batch
inline constexpr ControlId kSelectAllButton{"resizeSelectAllButton"};
inline constexpr ControlId kPreview{"resizePreview"};
inline constexpr ControlId kRotateButton{"resizeRotateButton"};
inline constexpr ControlId kPercentRadio{"resizePercentRadio"};          // sizeMode ScaleByPercent
inline constexpr ControlId kPercentEdit{"resizePercentEdit"};            // scalePercent
inline constexpr ControlId kHeightRadio{"resizeHeightRadio"};            // sizeMode FitHeight
inline constexpr ControlId kHeightEdit{"resizeHeightEdit"};              // targetHeight
inline constexpr ControlId kWidthRadio{"resizeWidthRadio"};              // sizeMode FitWidth
inline constexpr ControlId kWidthEdit{"resizeWidthEdit"};                // targetWidth
inline constexpr ControlId kBoxRadio{"resizeBoxRadio"};                  // sizeMode FitBox
inline constexpr ControlId kKeepSizeRadio{"resizeKeepSizeRadio"};        // sizeMode KeepSize
inline constexpr ControlId kQualityList{"resizeQualityList"};            // the four presets
inline constexpr ControlId kQualityEdit{"resizeQualityEdit"};            // jpegQuality
inline constexpr ControlId kOutputFolderEdit{"resizeOutputFolderEdit"};  // outputFolder
inline constexpr ControlId kBrowseButton{"resizeBrowseButton"};
inline constexpr ControlId kOverwriteCheck{"resizeOverwriteCheck"};          // overwriteOriginals
inline constexpr ControlId kStripLocationCheck{"resizeStripLocationCheck"};  // stripLocation
inline constexpr ControlId kCreateButton{"resizeCreateButton"};
inline constexpr ControlId kCloseButton{"resizeCloseButton"};
inline constexpr ControlId kAboutButton{"resizeAboutButton"};

}  // namespace resize_dialog_ids
