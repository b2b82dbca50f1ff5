#pragma once

#include "widgets/control_id.h"

// The wizard sheet's own names; each page has its table beside its class (picture_page_ids.h,
// html_page_ids.h, style_page_ids.h, out_page_ids.h). The prefixes of the four tables differ, as
// the sheet is one window for every search made from it.
namespace prop_sheet_ids {

inline constexpr ControlId kWindow{"sheetWindow"};
inline constexpr ControlId kTabs{"sheetTabs"};  // the four pages

}  // namespace prop_sheet_ids
