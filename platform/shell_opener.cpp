#include "platform/shell_opener.h"

#include <algorithm>
#include <initializer_list>

namespace {

// The extension after the last dot of the last path component, in lower case; empty without one.
std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) {
        return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : char(c);
    });
    return extension;
}

bool OneOf(const std::string& extension, std::initializer_list<const char*> list) {
    return std::any_of(list.begin(), list.end(), [&](const char* e) { return extension == e; });
}

}  // namespace

std::string ShellProgramKind(const std::string& path) {
    if (!path.empty() && path.back() == '/') return "ファイルマネージャー";
    const std::string extension = LowerExtension(path);
    if (OneOf(extension, {"html", "htm", "xhtml"})) return "ブラウザ";
    if (OneOf(extension,
              {"jpg", "jpeg", "jpe", "png", "gif", "bmp", "webp", "svg", "tif", "tiff", "ico"}))
        return "画像ビューア";
    if (OneOf(extension, {"mid", "midi", "wav", "mp3", "ogg", "oga", "opus", "flac", "m4a", "aac",
                          "wma", "aif", "aiff"}))
        return "音楽プレーヤー";
    return "プログラム";
}

std::string ShellOpenFailureText(const std::string& path, const std::string& reason) {
    return "「" + path + "」を開けませんでした。\n" + reason;
}

std::string NoShellProgramReason(const std::string& path) {
    const bool folder = !path.empty() && path.back() == '/';
    return std::string(folder ? "このフォルダを開く" : "このファイルを開く") +
           ShellProgramKind(path) + "が見つからないか、起動できませんでした。";
}
