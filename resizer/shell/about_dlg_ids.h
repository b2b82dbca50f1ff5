#pragma once

#include "widgets/control_id.h"

// The controls of the resizer's about box (CAboutDlg).
namespace about_dlg_ids {

inline constexpr ControlId kDialog{"aboutDialog"};
inline constexpr ControlId kIconLabel{"aboutIconLabel",
                                      "Scalvoのアイコン"};  // the program's icon, no text
inline constexpr ControlId kVersionLabel{"aboutVersionLabel"};
inline constexpr ControlId kCreditLabel{"aboutCreditLabel"};
inline constexpr ControlId kAddressLabel{"aboutAddressLabel"};  // selectable with the mouse
inline constexpr ControlId kOkButton{"aboutOkButton"};

}  // namespace about_dlg_ids
