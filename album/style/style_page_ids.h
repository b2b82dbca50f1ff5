#pragma once

#include "widgets/control_id.h"

// The controls of the Style page ("スタイル"), in their tab order. A control added to the page
// gets its row here and is created with it.
namespace style_page_ids {

inline constexpr ControlId kPage{"stylePage"};
inline constexpr ControlId kPreview{"stylePreview", "プレビュー"};
inline constexpr ControlId kThemeList{"styleThemeList", "コーディネートテーマ"};
inline constexpr ControlId kAddThemeButton{"styleAddThemeButton"};
inline constexpr ControlId kTitleColorButton{"styleTitleColorButton",
                                             "HTMLのタイトルの色"};  // color_title
inline constexpr ControlId kTitleSizeList{"styleTitleSizeList",
                                          "HTMLのタイトルのサイズ"};  // size_title
inline constexpr ControlId kDescriptionColorButton{"styleDescriptionColorButton",
                                                   "タイトル行の下の文の色"};  // color_commen
inline constexpr ControlId kDescriptionSizeList{"styleDescriptionSizeList",
                                                "タイトル行の下の文のサイズ"};  // size_comment
inline constexpr ControlId kThumbCommentColorButton{"styleThumbCommentColorButton",
                                                    "サムネイルのコメントの色"};  // color_thumb
inline constexpr ControlId kThumbCommentSizeList{"styleThumbCommentSizeList",
                                                 "サムネイルのコメントのサイズ"};  // size_thumb
inline constexpr ControlId kBackgroundColorButton{"styleBackgroundColorButton",
                                                  "背景の色"};            // color_bg
inline constexpr ControlId kWallpaperList{"styleWallpaperList", "壁紙"};  // name_bg
inline constexpr ControlId kWallpaperViewButton{"styleWallpaperViewButton", "壁紙を見る"};
inline constexpr ControlId kRuleList{"styleRuleList", "仕切り"};  // name_hr
inline constexpr ControlId kRuleViewButton{"styleRuleViewButton", "仕切りを見る"};
inline constexpr ControlId kMusicList{"styleMusicList", "BGM"};  // name_bgm
inline constexpr ControlId kMusicListenButton{"styleMusicListenButton", "BGMを聴く"};
// Hidden frames that only place the three samples of the preview.
inline constexpr ControlId kTitleSample{"styleTitleSample"};
inline constexpr ControlId kDescriptionSample{"styleDescriptionSample"};
inline constexpr ControlId kThumbCommentSample{"styleThumbCommentSample"};

}  // namespace style_page_ids
