#pragma once

#include <string>

#include "core/path_helpers.h"

struct AlbumSettings;

// The checks of the Output page's texts, apart from the widgets; pictavo-cli makes the same ones.

// What the name check made of a name box's text.
struct NameFieldResult {
    std::string name;      // what the field keeps
    bool refused = false;  // a folder part or an extension had to go (the user is told)
};

// A name box holds a name alone. One trailing separator ("/" or "\\") is dropped silently
// ("my_p/" -> "my_p"); a remaining folder part or an extension is refused and only the name before
// the extension is kept ("my.html" -> "my", "a/b.c" -> "b", ".html" -> ""). An empty text passes.
// Both separators count, so a Windows-style "pics\\my_p" never becomes a folder name with a
// backslash in it. A ":" is a character of the name like any other ("C:pics" passes). This is the
// one name rule: the Output page's boxes and pictavo-cli's --set both answer by it.
NameFieldResult CheckNameField(const std::string& text);

// The first thing the create button refuses in the output settings, in the order it checks them.
enum class AlbumOutputRefusal {
    None,
    NameNotAlone,               // a name holds a folder part or an extension: kNameOnlyMessage
    LocationInSources,          // kLocationInSourcesMessage
    NotAbsolute,                // the output folder is not absolute: kNotAbsoluteMessage
    HasExtension,               // its last name has an extension: kExtensionMessage
    PicturesOverSources,        // kPictureFolderMessage
    ThumbnailsInPictureFolder,  // kThumbnailFolderMessage
    ThumbnailFolderClash,       // kFolderClashMessage; the thumbnail folder name is to change
    MaterialFolderClash,        // kFolderClashMessage; the material folder name is to change
};

struct AlbumOutputCheck {
    AlbumOutputRefusal refusal = AlbumOutputRefusal::None;
    // The name at fault for NameNotAlone, else null.
    std::string AlbumSettings::*name = nullptr;
};

// The checks the Output page's create button and pictavo-cli both make before anything is
// created, in this order, stopping at the first refusal:
// 1. html_name, pic_folder, thumb_folder and material_folder each a name alone (CheckNameField);
// 2. location not to be removed from an album in the source folder (out_sorce with
//    strip_location), whose copies are the user's own pictures, never rewritten for it;
// 3. unless the album goes into the source folder (out_sorce), the output folder absolute (after
//    "~/" is expanded), then its last name without an extension;
// 4. the picture copies not over the source pictures themselves: the output folder and picture
//    folder name leading to the source folder under another name ("..", a link, a bind mount)
//    although the album does not go into the source folder;
// 5. the thumbnails not into the folder of the source pictures, where "_" plus a name may be
//    another photograph (an empty thumbnail folder name with the album in that folder, or any
//    output folder and name that lead there);
// 6. the picture, thumbnail and material folders each a folder of its own, compared in the order
//    picture/thumbnail, picture/material, thumbnail/material and named by the later of the two
//    (the picture folder counts as the output folder itself while the album goes into the source
//    folder), since a thumbnail ("_a.jpg") could replace a copy of that name and a copy or a
//    thumbnail a material.
// Folders are compared by identity, after "~" is expanded. Nothing is changed or created.
AlbumOutputCheck CheckAlbumOutput(const AlbumSettings& settings);

// The refusals, word for word as the page shows them (the output folder's own two are
// kNotAbsoluteMessage and kExtensionMessage).
inline constexpr const char* kThumbnailFolderMessage =
    "サムネイルフォルダは元画像のフォルダとは別のフォルダを指定してください。";
inline constexpr const char* kPictureFolderMessage =
    "ピクチャフォルダは元画像のフォルダとは別のフォルダを指定してください。";
inline constexpr const char* kFolderClashMessage =
    "ピクチャフォルダ名、サムネイルフォルダ名、具材フォルダ名には、それぞれ別の名前を指定してくださ"
    "い。";
inline constexpr const char* kLocationInSourcesMessage =
    "元画像があるフォルダに出力するときは、元画像をそのまま使うため位置情報を削除できません。"
    "どちらかのチェックを外してください。";
inline constexpr const char* kNameOnlyMessage = "名前のみを指定します。（パス、拡張子は不要）";
// What the output folder box shows while the album goes into the source folder.
inline constexpr const char* kSourceFolderText = "(元画像のディレクトリ)";
