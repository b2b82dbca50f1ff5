#pragma once

#include "widgets/control_id.h"

// The controls of the folder chooser (CFolderDlg), in their tab order.
namespace folder_dlg_ids {

inline constexpr ControlId kDialog{"chooserDialog"};
inline constexpr ControlId kPathEdit{"chooserPathEdit", "選択したディレクトリ"};
inline constexpr ControlId kFolderTree{"chooserFolderTree", "ディレクトリ"};
inline constexpr ControlId kOkButton{"chooserOkButton"};
inline constexpr ControlId kCancelButton{"chooserCancelButton"};

}  // namespace folder_dlg_ids
