#pragma once

#include <string>
#include <string_view>

#include "core/image_kind.h"

class UserDialogs;

// The path separator of this system ('/' here, '\\' on Windows).
inline constexpr char kPathSeparator = '/';

// True when `path` names a folder that exists (visible), or was created. ask = true asks the user
// first ("<path>ディレクトリが見つかりません。\n作成しますか？", naming the path exactly as given).
// Missing parents are created first, without asking; every level that fails shows
// "ディレクトリの作成に失敗しました" once. Messages go through `dialogs` with the application
// title.
bool EnsureFolder(const std::string& path, bool ask, UserDialogs& dialogs);

// Removes one trailing separator ("/", and "\\" on Windows). The root "/" is kept as it is.
void StripTrailingSeparator(std::string& path);

// Makes the path end in exactly one separator of this system; an empty text becomes "/".
void EnsureTrailingSeparator(std::string& path);

// The kind the extension of the last path component names (ImageKindOfExtension: 1 for
// .jpg/.jpeg, 2 for .gif, 3 for .bmp, and the others of the table, any ASCII case), -1 otherwise.
// Never looks at the content (SniffImageKind does).
ImageKind ImageKindOfName(std::string_view name);

// True when `path` is an absolute folder path for this system (begins with "/"; a drive letter and
// ":" on Windows). A leading "~/" must be expanded by the caller first (ExpandHome).
bool IsAbsoluteFolderPath(std::string_view path);

// True when the last component of `path` has an extension: a "." anywhere in it, the first
// character included ("My.Album", ".hid", ".."). With a trailing separator, a last folder name that
// begins with "." counts too ("/x/.hid/"): no output folder is made that would then be hidden.
bool HasExtension(std::string_view path);

// How both programs refuse an output folder that fails IsAbsoluteFolderPath or HasExtension.
inline constexpr const char* kNotAbsoluteMessage = "出力ディレクトリは絶対パス名で指定してください";
inline constexpr const char* kExtensionMessage =
    "出力ディレクトリはディレクトリを指定してください。（拡張子はつけない）";

// True when two folder paths name one folder, however they are spelt: "~" expanded, relative paths
// taken from the current folder, "." and ".." and links resolved as far as the folders exist, and
// existing folders compared by identity ("/p/a/", "/p/a/b/.." and a link to /p/a are one folder).
// A folder that does not exist yet is compared by the path it would be made at.
bool IsSameFolder(const std::string& a, const std::string& b);

// Case-insensitive (ASCII) ordering of two texts: negative, zero or positive.
int CompareNoCase(std::string_view a, std::string_view b);
