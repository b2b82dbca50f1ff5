#pragma once

#include "widgets/control_id.h"

// The controls of the theme title dialog (adding and renaming a theme), in their tab order.
namespace add_theme_dialog_ids {

inline constexpr ControlId kDialog{"addThemeDialog"};
inline constexpr ControlId kTitleEdit{"addThemeTitleEdit"};
inline constexpr ControlId kOkButton{"addThemeOkButton"};
inline constexpr ControlId kCancelButton{"addThemeCancelButton"};

}  // namespace add_theme_dialog_ids
