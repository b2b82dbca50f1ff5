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
// backslash in it.
NameFieldResult CheckNameField(const std::string& text);

// Why an output folder cannot be used.
enum class OutputFolderProblem { None, NotAbsolute, HasExtension };

// The output folder must be absolute (after "~/" is expanded) and must not end in a name with an
// extension; absoluteness is checked first.
OutputFolderProblem CheckOutputFolder(const std::string& out_dir);

// True when the thumbnails would go into the folder of the source pictures, where "_" plus a name
// may be another photograph: an empty thumbnail folder name with the album in that folder, or any
// output folder and name that lead there ("." , "..", a link). Folders are compared by identity,
// after "~" is expanded.
bool ThumbnailsGoIntoPictureFolder(const AlbumSettings& settings);

// True when the picture copies would be written over the source pictures themselves although the
// album does not go into the source folder (out_sorce): the output folder and picture folder name
// lead to the source folder under another name ("..", a link, a bind mount). Folders are compared
// by identity, after "~" is expanded.
bool PicturesGoOverSources(const AlbumSettings& settings);

// Which album folder would fall on another: the picture, thumbnail and material folders are one
// folder each, or a thumbnail ("_a.jpg") could replace a picture copy of that name and a copy or a
// thumbnail a material. The picture folder counts as the output folder itself while the album goes
// into the source folder.
enum class AlbumFolderClash { None, ThumbnailFolder, MaterialFolder };

// The first clash in the order picture/thumbnail, picture/material, thumbnail/material, named by
// the later of the two folders (the box the user should change). Folders are compared by identity,
// after "~" is expanded, so a link between two of them clashes too.
AlbumFolderClash ClashingAlbumFolders(const AlbumSettings& settings);

// The refusals, word for word as the page shows them (the output folder's own two are
// kNotAbsoluteMessage and kExtensionMessage).
inline constexpr const char* kThumbnailFolderMessage =
    "サムネイルフォルダは元画像のフォルダとは別のフォルダを指定してください。";
inline constexpr const char* kPictureFolderMessage =
    "ピクチャフォルダは元画像のフォルダとは別のフォルダを指定してください。";
inline constexpr const char* kFolderClashMessage =
    "ピクチャフォルダ名、サムネイルフォルダ名、具材フォルダ名には、それぞれ別の名前を指定してくださ"
    "い。";
inline constexpr const char* kNameOnlyMessage = "名前のみを指定します。（パス、拡張子は不要）";
// What the output folder box shows while the album goes into the source folder.
inline constexpr const char* kSourceFolderText = "(元画像のディレクトリ)";
