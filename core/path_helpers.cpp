#include "core/path_helpers.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <filesystem>

#include "platform/file_system.h"
#include "platform/user_dialogs.h"

#ifdef _WIN32
#include <direct.h>
#endif

namespace {

constexpr const char* kNotFoundQuestion = "ディレクトリが見つかりません。\n作成しますか？";
constexpr const char* kCreateFailed = "ディレクトリの作成に失敗しました";

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The last component of a path: everything after its last separator.
std::string_view LastComponent(std::string_view path) {
    for (size_t i = path.size(); i > 0; --i) {
        if (IsSeparator(path[i - 1])) return path.substr(i);
    }
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':') return path.substr(2);
#endif
    return path;
}

bool Fail(UserDialogs& dialogs) {
    dialogs.ShowMessage(kCreateFailed, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
    return false;
}

enum class EntryState { Missing, VisibleFolder, Blocked };

// What stands at `path`: nothing, a usable folder, or something that is not one (a file, or a
// hidden folder, which the user would not see in the folder tree).
EntryState LookUp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return EntryState::Missing;
    if (!S_ISDIR(st.st_mode)) return EntryState::Blocked;
    std::string_view name = LastComponent(path);
    // "." and ".." name folders by position, not hidden entries.
    bool hidden = !name.empty() && name[0] == '.' && name != "." && name != "..";
    return hidden ? EntryState::Blocked : EntryState::VisibleFolder;
}

bool MakeFolder(const std::string& path) {
#ifdef _WIN32
    int rc = ::_mkdir(path.c_str());
#else
    int rc = ::mkdir(path.c_str(), 0777);  // the umask gives the default permissions
#endif
    if (rc == 0) return true;
    // Another process (or a ".." component) may have made it meanwhile: what counts is that the
    // folder is there now.
    return errno == EEXIST && LookUp(path) == EntryState::VisibleFolder;
}

// The path a folder path settles to: absolute, with the links and "." and ".." of its existing part
// resolved and the rest normalised, without a trailing separator. The path's bytes are used as
// they are, whatever their encoding.
std::string SettledFolder(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path absolute = fs::absolute(fs::path(ExpandHome(path)), ec);
    if (ec) return path;
    fs::path settled = fs::weakly_canonical(absolute, ec);
    if (ec) settled = absolute.lexically_normal();
    std::string text = settled.string();
    while (text.size() > 1 && IsSeparator(text.back())) text.pop_back();
    return text;
}

}  // namespace

bool EnsureFolder(const std::string& path, bool ask, UserDialogs& dialogs) {
    std::string copy = path;
    if (!copy.empty() && IsSeparator(copy.back())) copy.pop_back();
    if (copy.empty() && !path.empty()) copy = path;  // the root itself
    // A leading "~/" means the home folder; the question still names the path as typed.
    std::string real = ExpandHome(copy);

    EntryState state = real.empty() ? EntryState::Missing : LookUp(real);
    if (state == EntryState::VisibleFolder) return true;
    if (state == EntryState::Blocked) return Fail(dialogs);

    if (ask) {
        MessageAnswer answer = dialogs.ShowMessage(path + kNotFoundQuestion, std::nullopt,
                                                   MessageIcon::Exclamation, MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes) return Fail(dialogs);
    }

    // The parent is everything before the last component; surplus separators ("a//b") are dropped
    // so that the recursion always makes progress.
    std::string trimmed = real;
    while (!trimmed.empty() && IsSeparator(trimmed.back())) trimmed.pop_back();
    if (trimmed.empty()) return Fail(dialogs);  // a root that does not exist cannot be made
    std::string_view name = LastComponent(trimmed);
    std::string parent = trimmed.substr(0, trimmed.size() - name.size());
    while (!parent.empty() && IsSeparator(parent.back())) parent.pop_back();
#ifdef _WIN32
    bool parent_is_root = parent.empty() || (parent.size() == 2 && parent[1] == ':');
#else
    bool parent_is_root = parent.empty();
#endif
    if (!parent_is_root && !EnsureFolder(parent + kPathSeparator, false, dialogs)) {
        return Fail(dialogs);
    }
    if (!MakeFolder(trimmed)) return Fail(dialogs);
    return true;
}

void StripTrailingSeparator(std::string& path) {
    if (path.empty() || !IsSeparator(path.back())) return;
    if (path.size() == 1) return;  // "/" is the root, not a folder with a separator
    path.pop_back();
}

void EnsureTrailingSeparator(std::string& path) {
    if (!path.empty() && path.back() == kPathSeparator) return;
    if (!path.empty() && IsSeparator(path.back())) {
        path.back() = kPathSeparator;
        return;
    }
    path.push_back(kPathSeparator);
}

ImageKind ImageKindOfName(std::string_view name) {
    std::string_view last = LastComponent(name);
    size_t dot = last.rfind('.');
    if (dot == std::string_view::npos) return kNotPicture;
    return ImageKindOfExtension(last.substr(dot));
}

bool IsAbsoluteFolderPath(std::string_view path) {
#ifdef _WIN32
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
#else
    return !path.empty() && path[0] == '/';
#endif
}

bool HasExtension(std::string_view path) {
    // The extension runs from the last "." of the last component, so a name that begins with "."
    // (".hid", "..") is all extension. Such a folder would also be hidden, and EnsureFolder, which
    // accepts only visible folders, would refuse it after making it.
    if (LastComponent(path).find('.') != std::string_view::npos) return true;
    // A trailing separator still names the folder before it: "/x/.hid/" is the hidden ".hid".
    if (path.size() > 1 && IsSeparator(path.back())) {
        std::string_view last = LastComponent(path.substr(0, path.size() - 1));
        return !last.empty() && last[0] == '.';
    }
    return false;
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    const std::string settled_a = SettledFolder(a);
    const std::string settled_b = SettledFolder(b);
    // Identity also catches one folder reached by two mounts.
    return settled_a == settled_b || IsSameFile(settled_a, settled_b);
}

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(AsciiLower(a[i]));
        unsigned char y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}
