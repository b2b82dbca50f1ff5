#pragma once

#include "widgets/control_id.h"

// The colour chooser a colour button opens. Its controls are the toolkit's own; only the dialog
// carries a name of ours.
namespace color_button_ids {

inline constexpr ControlId kChooserDialog{"colorChooserDialog"};

}  // namespace color_button_ids
