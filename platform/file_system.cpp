#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// True when `path` is `folder` itself or lies below it.
bool IsAtOrBelow(const std::string& path, const std::string& folder) {
    if (folder.empty() || folder == "/") return false;
    return path == folder || StartsWith(path, folder + "/");
}

// The mount table escapes blanks, tabs, line breaks and backslashes as three octal digits.
std::string UnescapeMountField(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

bool IsOneOf(const std::string& value, std::initializer_list<const char*> list) {
    for (const char* item : list) {
        if (value == item) return true;
    }
    return false;
}

// Where desktops and users mount media: removable drives, and RAM disks a user set up on purpose.
bool IsMediaMountPoint(const std::string& mount_point, const std::string& home) {
    return IsAtOrBelow(mount_point, "/media") || IsAtOrBelow(mount_point, "/run/media") ||
           IsAtOrBelow(mount_point, "/mnt") || IsAtOrBelow(mount_point, home);
}

// The root kind of one mount, or false when it is not a folder-tree root (system mounts such as
// /proc, /sys, /run, /dev/shm and the disks already reachable from "/").
bool ClassifyMount(const std::string& device, const std::string& mount_point,
                   const std::string& type, const std::string& home, RootKind& kind) {
    if (IsOneOf(type, {"iso9660", "udf"})) {
        kind = RootKind::Optical;
        return true;
    }
    if (IsOneOf(type, {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs",
                       "ncpfs", "davfs", "fuse.davfs2", "ceph", "fuse.glusterfs", "glusterfs",
                       "fuse.rclone", "fuse.s3fs", "fuse.gvfsd-fuse"}) ||
        StartsWith(type, "fuse.smb") || StartsWith(type, "fuse.nfs")) {
        kind = RootKind::Network;
        return true;
    }
    const bool media = IsMediaMountPoint(mount_point, home);
    if (IsOneOf(type, {"tmpfs", "ramfs"})) {
        if (!media) return false;
        kind = RootKind::Ram;
        return true;
    }
    // A block device mounted where desktops put removable media (USB sticks, SD cards).
    if (media && StartsWith(device, "/dev/") && !IsAtOrBelow(mount_point, home)) {
        kind = RootKind::Removable;
        return true;
    }
    return false;
}

std::string DropTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::atomic<unsigned> g_temp_counter{0};

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Opens a fresh temporary file beside `path`, giving it the permissions of the file it will
// replace (or the default ones). Returns -1 on failure.
int OpenTemporarySibling(const std::string& path, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = TemporarySiblingPath(path);
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            struct stat st {};
            if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                ::fchmod(fd, st.st_mode & 07777);
            }
            return fd;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// Flushes, closes and renames the temporary file into place; removes it on any failure.
bool FinishTemporary(int fd, const std::string& temp, const std::string& path, bool ok) {
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace

std::vector<DirEntry> ListDirectory(const std::string& folder) {
    std::vector<DirEntry> entries;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return entries;
    const std::string prefix = (!folder.empty() && folder.back() == '/') ? folder : folder + "/";
    while (struct dirent* d = ::readdir(dir)) {
        std::string name = d->d_name;
        if (name == "." || name == "..") continue;
        DirEntry entry;
        entry.name = name;
        entry.hidden = name[0] == '.';
        if (d->d_type == DT_DIR) {
            entry.is_dir = true;
        } else if (d->d_type == DT_UNKNOWN || d->d_type == DT_LNK) {
            // A link to a folder is shown as the folder it leads to.
            struct stat st {};
            entry.is_dir = ::stat((prefix + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    return entries;
}

std::vector<FolderRoot> FolderTreeRootsFromMounts(const std::string& mounts_text,
                                                  const std::string& home_folder) {
    const std::string home = DropTrailingSlashes(home_folder);
    std::vector<FolderRoot> roots;
    roots.push_back({"/", RootKind::Fixed});
    if (!home.empty() && home != "/") roots.push_back({home, RootKind::Fixed});

    std::istringstream lines(mounts_text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mount_point, type;
        if (!(fields >> device >> mount_point >> type)) continue;
        device = UnescapeMountField(device);
        mount_point = DropTrailingSlashes(UnescapeMountField(mount_point));
        if (mount_point.empty() || mount_point[0] != '/') continue;
        RootKind kind;
        if (!ClassifyMount(device, mount_point, type, home, kind)) continue;
        bool seen = false;
        for (FolderRoot& root : roots) {
            if (root.path == mount_point) {
                // A later mount on the same point hides the earlier one; "/" and home stay Fixed.
                if (root.path != "/" && root.path != home) root.kind = kind;
                seen = true;
            }
        }
        if (!seen) roots.push_back({mount_point, kind});
    }
    return roots;
}

std::vector<FolderRoot> FolderTreeRoots() {
    std::string mounts;
    if (!ReadWholeFile("/proc/self/mounts", mounts)) mounts.clear();
    return FolderTreeRootsFromMounts(mounts, HomeFolder());
}

std::string HomeFolder() {
    std::string home;
    if (const char* env = std::getenv("HOME"); env != nullptr && env[0] != '\0') {
        home = env;
    } else if (const struct passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir) {
        home = pw->pw_dir;
    } else {
        home = "/";
    }
    return DropTrailingSlashes(home);
}

std::string ProfileFolder() {
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
    if (const char* env = std::getenv("XDG_CONFIG_HOME"); env != nullptr && env[0] == '/') {
        return DropTrailingSlashes(env);
    }
    std::string home = HomeFolder();
    return (home == "/" ? std::string() : home) + "/.config";
}

std::string UserDataFolder() {
    // As for the configuration folder, a relative XDG_DATA_HOME is to be ignored.
    if (const char* env = std::getenv("XDG_DATA_HOME"); env != nullptr && env[0] == '/') {
        return DropTrailingSlashes(env);
    }
    std::string home = HomeFolder();
    return (home == "/" ? std::string() : home) + "/.local/share";
}

std::string ExpandHome(const std::string& path) {
    if (path == "~") return HomeFolder();
    if (StartsWith(path, "~/")) {
        std::string home = HomeFolder();
        return (home == "/" ? std::string() : home) + path.substr(1);
    }
    return path;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return false;
    }
    std::string temp;
    int out = OpenTemporarySibling(to, temp);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = true;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    ::close(in);
    return FinishTemporary(out, temp, to, ok);
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes) {
    std::string temp;
    int fd = OpenTemporarySibling(path, temp);
    if (fd < 0) return false;
    bool ok = WriteAll(fd, bytes.data(), bytes.size());
    return FinishTemporary(fd, temp, path, ok);
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return false;
    }
    if (S_ISREG(st.st_mode) && st.st_size > 0) bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ok = false;
            break;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) bytes.clear();
    return ok;
}

std::string TemporarySiblingPath(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    static thread_local std::mt19937 random{std::random_device{}()};
    for (;;) {
        // A leading dot keeps the half-written file out of the picture lists.
        std::string candidate = folder + "." + name + ".tmp" + std::to_string(::getpid()) + "-" +
                                std::to_string(g_temp_counter++) + "-" +
                                std::to_string(random() % 1000000);
        if (!PathExists(candidate)) return candidate;
    }
}

std::string AbsolutePath(const std::string& path) {
    const std::string expanded = ExpandHome(path);
    if (expanded.empty()) return expanded;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(
        std::filesystem::path(std::u8string(expanded.begin(), expanded.end())), ec);
    if (ec) return expanded;
    const std::u8string text = absolute.lexically_normal().u8string();
    return std::string(text.begin(), text.end());
}

bool ReplaceThroughTemporary(const std::string& path,
                             const std::function<bool(const std::string& temporary)>& write) {
    const std::string temp = TemporarySiblingPath(path);
    if (!write(temp)) {
        ::unlink(temp.c_str());
        return false;
    }
    // Replacing a picture must not change who may read it.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::chmod(temp.c_str(), st.st_mode & 07777);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}
