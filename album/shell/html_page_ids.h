#pragma once

#include "widgets/control_id.h"

// The controls of the HTML page, in their tab order. A control added to the page gets its row
// here and is created with it.
namespace html_page_ids {

inline constexpr ControlId kPage{"htmlPage"};
inline constexpr ControlId kTitleEdit{"htmlTitleEdit", "HTMLタイトル"};  // html_title
inline constexpr ControlId kDescriptionEdit{"htmlDescriptionEdit",
                                            "タイトル行の下の説明文"};  // html_comment
inline constexpr ControlId kMarqueeCheck{"htmlMarqueeCheck"};           // html_marquee
inline constexpr ControlId kFrameCheck{"htmlFrameCheck"};               // thumbnail_frame
inline constexpr ControlId kFileNameCheck{"htmlFileNameCheck"};         // thumbnail_fname
inline constexpr ControlId kFileSizeCheck{"htmlFileSizeCheck"};         // thumbnail_fsize, hidden
inline constexpr ControlId kDateOrderCheck{"htmlDateOrderCheck"};       // date_order
inline constexpr ControlId kColumnsEdit{"htmlColumnsEdit"};             // thumbnail_cols
inline constexpr ControlId kColumnsSpin{"htmlColumnsSpin", "列数"};     // its arrows
inline constexpr ControlId kSplitPagesCheck{"htmlSplitPagesCheck"};     // html_page
inline constexpr ControlId kRowsEdit{"htmlRowsEdit"};                   // thumbnail_rows
inline constexpr ControlId kRowsSpin{"htmlRowsSpin", "1ページあたりの行数"};  // its arrows
inline constexpr ControlId kOwnSizeRadio{"htmlOwnSizeRadio"};                 // brws_mode 0
inline constexpr ControlId kFitBrowserRadio{"htmlFitBrowserRadio"};           // brws_mode 1
inline constexpr ControlId kSlideShowCheck{"htmlSlideShowCheck"};             // slide_mode
inline constexpr ControlId kClassicPagesRadio{"htmlClassicPagesRadio"};       // page_style 0
inline constexpr ControlId kModernPagesRadio{"htmlModernPagesRadio"};         // page_style 1

}  // namespace html_page_ids
