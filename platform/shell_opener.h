#pragma once

#include <string>

// Opens a file with the program the desktop associates with its type (the browser for a page, the
// viewer or player for a material, the file manager for a folder). Returns at once; a failure is
// reported by the implementation itself, in a warning titled kShellOpenFailureCaption.
class ShellOpener {
  public:
    virtual ~ShellOpener() = default;

    // path: full path of the file (UTF-8).
    virtual void OpenWithShell(const std::string& path) = 0;
};

// The title of the warning that a file could not be opened: in the user's language, as every other
// message of the programs is.
inline constexpr const char* kShellOpenFailureCaption = "エラー";

// The kind of program that opens a file of this name, in the words a user knows it by: "ブラウザ"
// for a page, "画像ビューア" for a picture, "音楽プレーヤー" for a sound, "ファイルマネージャー"
// for a folder (a path ending in "/"), else "プログラム". Decided by the extension alone, letter
// case ignored.
std::string ShellProgramKind(const std::string& path);

// The text of the warning for a file that could not be opened: the file's path, then `reason`
// on the next line.
std::string ShellOpenFailureText(const std::string& path, const std::string& reason);

// The reason when the desktop has no program for the file, or the one it started failed at once:
// "このファイルを開くブラウザが見つからないか、起動できませんでした。" for a page.
std::string NoShellProgramReason(const std::string& path);
