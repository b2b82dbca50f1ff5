#pragma once

#include "widgets/control_id.h"

// The controls of the Style page ("スタイル"), in their tab order. A control added to the page
// gets its row here and is created with it.
namespace style_page_ids {

inline constexpr ControlId kPage{"stylePage"};
inline constexpr ControlId kPreview{"stylePreview"};
inline constexpr ControlId kThemeList{"styleThemeList"};
inline constexpr ControlId kAddThemeButton{"styleAddThemeButton"};
inline constexpr ControlId kTitleColorButton{"styleTitleColorButton"};              // color_title
inline constexpr ControlId kTitleSizeList{"styleTitleSizeList"};                    // size_title
inline constexpr ControlId kDescriptionColorButton{"styleDescriptionColorButton"};  // color_commen
inline constexpr ControlId kDescriptionSizeList{"styleDescriptionSizeList"};        // size_comment
inline constexpr ControlId kThumbCommentColorButton{"styleThumbCommentColorButton"};  // color_thumb
inline constexpr ControlId kThumbCommentSizeList{"styleThumbCommentSizeList"};        // size_thumb
inline constexpr ControlId kBackgroundColorButton{"styleBackgroundColorButton"};      // color_bg
inline constexpr ControlId kWallpaperList{"styleWallpaperList"};                      // name_bg
inline constexpr ControlId kRuleList{"styleRuleList"};                                // name_hr
inline constexpr ControlId kMusicList{"styleMusicList"};                              // name_bgm
// Hidden frames that only place the three samples of the preview.
inline constexpr ControlId kTitleSample{"styleTitleSample"};
inline constexpr ControlId kDescriptionSample{"styleDescriptionSample"};
inline constexpr ControlId kThumbCommentSample{"styleThumbCommentSample"};
inline constexpr ControlId kMusicListenButton{"styleMusicListenButton"};
inline constexpr ControlId kRuleViewButton{"styleRuleViewButton"};
inline constexpr ControlId kWallpaperViewButton{"styleWallpaperViewButton"};

}  // namespace style_page_ids
