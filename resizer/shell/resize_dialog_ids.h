#pragma once

#include "widgets/control_id.h"

// The controls of the resizer's dialog, in their tab order. A control added to the dialog gets its
// row here and is created with it.
namespace resize_dialog_ids {

inline constexpr ControlId kDialog{"resizeDialog"};
inline constexpr ControlId kFolderTree{"resizeFolderTree",
                                       "画像のあるディレクトリ"};  // sourceFolder
inline constexpr ControlId kFileList{"resizeFileList",
                                     "画像ファイル選択"};  // the pictures, ticked for the batch
inline constexpr ControlId kSelectAllButton{"resizeSelectAllButton"};
inline constexpr ControlId kViewButton{"resizeViewButton"};  // lines or thumbnails, no text
inline constexpr ControlId kPreview{"resizePreview"};
inline constexpr ControlId kRotateButton{"resizeRotateButton"};
inline constexpr ControlId kPercentRadio{"resizePercentRadio"};  // sizeMode ScaleByPercent
inline constexpr ControlId kPercentEdit{"resizePercentEdit", "縮小率（％）"};  // scalePercent
inline constexpr ControlId kHeightRadio{"resizeHeightRadio"};                  // sizeMode FitHeight
inline constexpr ControlId kHeightEdit{"resizeHeightEdit", "高さ（ドット）"};  // targetHeight
inline constexpr ControlId kWidthRadio{"resizeWidthRadio"};                    // sizeMode FitWidth
inline constexpr ControlId kWidthEdit{"resizeWidthEdit", "幅（ドット）"};      // targetWidth
inline constexpr ControlId kBoxRadio{"resizeBoxRadio"};                        // sizeMode FitBox
inline constexpr ControlId kKeepSizeRadio{"resizeKeepSizeRadio"};              // sizeMode KeepSize
inline constexpr ControlId kQualityList{"resizeQualityList", "JPEG圧縮率"};    // the four presets
inline constexpr ControlId kQualityEdit{"resizeQualityEdit", "JPEG圧縮率（％）"};  // jpegQuality
inline constexpr ControlId kOutputFolderEdit{"resizeOutputFolderEdit"};            // outputFolder
inline constexpr ControlId kBrowseButton{"resizeBrowseButton"};
inline constexpr ControlId kOverwriteCheck{"resizeOverwriteCheck"};      // overwriteOriginals
inline constexpr ControlId kFormatList{"resizeFormatList", "出力形式"};  // outputFormat
inline constexpr ControlId kAboutButton{"resizeAboutButton"};
inline constexpr ControlId kStripLocationCheck{"resizeStripLocationCheck"};  // stripLocation
inline constexpr ControlId kCreateButton{"resizeCreateButton"};
inline constexpr ControlId kCloseButton{"resizeCloseButton"};

}  // namespace resize_dialog_ids
