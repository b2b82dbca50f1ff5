#pragma once

#include "widgets/control_id.h"

// The controls of the Output page ("作成"), in their tab order. A control added to the page gets
// its row here and is created with it.
namespace out_page_ids {

inline constexpr ControlId kPage{"outPage"};
inline constexpr ControlId kSourceCheck{"outSourceCheck"};  // out_sorce
inline constexpr ControlId kFolderEdit{"outFolderEdit"};    // out_dir
inline constexpr ControlId kBrowseButton{"outBrowseButton"};
inline constexpr ControlId kHtmlNameEdit{"outHtmlNameEdit"};  // html_name
inline constexpr ControlId kPictureFolderLabel{"outPictureFolderLabel"};
inline constexpr ControlId kPictureFolderEdit{"outPictureFolderEdit"};  // pic_folder
inline constexpr ControlId kPictureFolderNote{"outPictureFolderNote"};  // "（元画像のコピー）"
inline constexpr ControlId kThumbFolderEdit{"outThumbFolderEdit"};      // thumb_folder
inline constexpr ControlId kMaterialFolderEdit{"outMaterialFolderEdit"};  // material_folder
inline constexpr ControlId kBackUrlEdit{"outBackUrlEdit", "[戻る]のリンク先URL"};  // back_url
inline constexpr ControlId kHtmlOnlyCheck{"outHtmlOnlyCheck"};                     // html_only
inline constexpr ControlId kSaveSettingsCheck{"outSaveSettingsCheck"};             // save_param
inline constexpr ControlId kStripLocationCheck{"outStripLocationCheck"};           // strip_location
inline constexpr ControlId kCreateButton{"outCreateButton"};
inline constexpr ControlId kCloseButton{"outCloseButton"};

}  // namespace out_page_ids
