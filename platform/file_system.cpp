#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
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

FileIdentity IdentityOfStat(const struct stat& st) {
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

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

// ".pv" and ten random letters or digits: short and of one length, so that a temporary name fits
// beside any file name the file system accepts, and hidden, so that no picture list shows it.
std::string TemporaryName() {
    static constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    static thread_local std::mt19937_64 random{std::random_device{}() ^
                                               (static_cast<std::uint64_t>(::getpid()) << 32)};
    std::string name = ".pv";
    for (int i = 0; i < 10; ++i) name += kAlphabet[random() % (sizeof kAlphabet - 1)];
    return name;
}

// A file being written beside its final place, linked in only when complete. Open() makes it
// (unnamed where the file system allows), Write() fills it, Commit() puts it at its path; the
// destructor throws away whatever was not committed.
class PendingFile {
  public:
    explicit PendingFile(const std::string& path) : path_(path) {
        const size_t slash = path.rfind('/');
        folder_ = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!named_.empty()) ::unlink(named_.c_str());
    }

    // Checks what is at the path now and makes the temporary file; false (errno set) when the
    // file may not be replaced or no file can be made in the folder.
    bool Open() {
        struct stat st {};
        if (::lstat(path_.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode)) return Fail(EISDIR);
            if (S_ISREG(st.st_mode)) {
                // A file without any write bit is read-only by the user's choice, even for root.
                if ((st.st_mode & 0222) == 0 || ::access(path_.c_str(), W_OK) != 0) {
                    return Fail(EACCES);
                }
                replaces_ = true;
                mode_ = st.st_mode & 07777;
                uid_ = st.st_uid;
                gid_ = st.st_gid;
            }
        } else if (errno != ENOENT) {
            return false;
        }
        fd_ = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            // Not every file system has unnamed files (O_TMPFILE): a short hidden name serves
            // there.
            if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return false;
            for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
                named_ = Sibling(TemporaryName());
                fd_ = ::open(named_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
                if (fd_ < 0) {
                    const int error = errno;
                    named_.clear();
                    if (error != EEXIST) return Fail(error);
                }
            }
            if (fd_ < 0) return false;
        }
        if (replaces_) {
            // Replacing a picture must not change who may read it. The owner can only be given
            // back where the process may do so (as root, or to a group the user belongs to).
            if (::fchown(fd_, uid_, gid_) != 0) {
                // Not allowed: the file stays the user's own, with the old permission bits.
            }
            ::fchmod(fd_, mode_);
        }
        return true;
    }

    bool Write(const char* data, size_t size) { return WriteAll(fd_, data, size); }
    int Descriptor() const { return fd_; }

    // Makes Commit put the file in place of `file` only (see ReplaceFile). Set before Commit;
    // `file` must outlive it.
    void Replacing(const FileToReplace* file) { replacing_ = file; }
    // Commit failed because the file to replace was no longer in place.
    bool FoundChanged() const { return changed_; }

    // Puts the complete file at its path; false (errno set) when it could not be done, and the
    // path is then as it was.
    bool Commit() {
        // Only a file that replaces another needs to reach the disk before the rename: a crash may
        // then lose the new file, but never both.
        if (replaces_ && ::fsync(fd_) != 0) return false;
        if (named_.empty()) {
            // The unnamed file gets a name: straight at the path when nothing is there, else a
            // temporary one that the rename below puts in place of the old file.
            const std::string proc = "/proc/self/fd/" + std::to_string(fd_);
            if (!replaces_ && replacing_ == nullptr) {
                if (Link(proc, path_)) return Close();
                // Something appeared at the path meanwhile (or it is a link): replace it below.
                if (errno != EEXIST) return false;
            }
            for (int attempt = 0; attempt < 100 && named_.empty(); ++attempt) {
                const std::string candidate = Sibling(TemporaryName());
                if (Link(proc, candidate)) {
                    named_ = candidate;
                } else if (errno != EEXIST) {
                    return false;
                }
            }
            if (named_.empty()) return false;
        }
        if (replacing_ != nullptr) return CommitOver(*replacing_);
        if (!Close()) return false;
        if (::rename(named_.c_str(), path_.c_str()) != 0) return false;
        named_.clear();
        return true;
    }

  private:
    bool Fail(int error) {
        errno = error;
        return false;
    }

    static bool Holds(const std::string& path, const FileIdentity& identity) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
               IdentityOfStat(st) == identity;
    }
    static bool LeadsTo(const std::string& name, const FileIdentity& identity) {
        struct stat st {};
        return ::stat(name.c_str(), &st) == 0 && IdentityOfStat(st) == identity;
    }
    bool Changed() {
        changed_ = true;
        return Fail(ESTALE);
    }

    // Puts the named file at the path in place of `file` only: the path must still hold the file
    // that was read, and the name the job was given must lead to the new file afterwards (a link
    // re-pointed elsewhere since the read does not).
    bool CommitOver(const FileToReplace& file) {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return false;
        const FileIdentity written = IdentityOfStat(st);
        if (!Close()) return false;
#if defined(RENAME_EXCHANGE)
        // Swapped in one step, the old file stays under the temporary name until the check has
        // passed; a failed check swaps back, so whatever stood at the path comes back whole.
        if (::renameat2(AT_FDCWD, named_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) == 0) {
            if (Holds(named_, file.identity) && LeadsTo(file.name, written)) {
                ::unlink(named_.c_str());
                named_.clear();
                return true;
            }
            if (::renameat2(AT_FDCWD, named_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) !=
                0) {
                // Cannot happen short of another program renaming in the folder now: the file
                // that stood at the path is kept under the temporary name rather than deleted.
                named_.clear();
            }
            return Changed();
        }
        if (errno == ENOENT) return Changed();  // nothing at the path any more
        // Other errors: a file system that cannot swap names checks just before the rename.
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
#endif
        if (!Holds(path_, file.identity) || !LeadsTo(file.name, file.identity)) return Changed();
        if (::rename(named_.c_str(), path_.c_str()) != 0) return false;
        named_.clear();
        return true;
    }

    std::string Sibling(const std::string& name) const {
        return (folder_ == "/" ? std::string() : folder_) + "/" + name;
    }

    // Gives the unnamed file the name `to`: through /proc, or where /proc is missing by the
    // descriptor itself (which needs a privilege that administrators have).
    bool Link(const std::string& proc, const std::string& to) const {
        if (::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, to.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            return true;
        }
        if (errno != ENOENT || ::access(proc.c_str(), F_OK) == 0) return false;
        return ::linkat(fd_, "", AT_FDCWD, to.c_str(), AT_EMPTY_PATH) == 0;
    }

    // A file system may report a failed write only at the close (NFS, a full quota).
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

    std::string path_;
    std::string folder_;
    std::string named_;  // the temporary name while the file has one
    int fd_ = -1;
    bool replaces_ = false;
    const FileToReplace* replacing_ = nullptr;
    bool changed_ = false;
    mode_t mode_ = 0;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};

// Records why a replacement failed.
bool Failed(ReplaceFailure* failure, bool opened) {
    if (failure != nullptr) *failure = {opened, errno != 0 ? errno : EIO};
    return false;
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
        } else if (d->d_type == DT_REG) {
            entry.is_file = true;
        } else if (d->d_type == DT_UNKNOWN || d->d_type == DT_LNK) {
            // A link is taken for what it leads to; a broken link is neither.
            struct stat st {};
            if (::stat((prefix + name).c_str(), &st) == 0) {
                entry.is_dir = S_ISDIR(st.st_mode);
                entry.is_file = S_ISREG(st.st_mode);
            }
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

FileStamp StampOfFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    return {static_cast<std::int64_t>(st.st_size),
            static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileVersion VersionOfFile(const std::string& path, bool follow_links) {
    struct stat st {};
    const int got = follow_links ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
    if (got != 0 || !S_ISREG(st.st_mode)) return {};
    auto ns = [](const timespec& t) {
        return static_cast<std::int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
    };
    return {static_cast<std::int64_t>(st.st_size), ns(st.st_mtim), ns(st.st_ctim),
            static_cast<std::uint64_t>(st.st_ino)};
}

bool FileHoldsBytes(const std::string& path, std::string_view bytes) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uint64_t>(st.st_size) != bytes.size())
        return false;
    const int fd = OpenRegularFile(path);
    if (fd < 0) return false;
    // Compared a block at a time: a large file that differs early is not read whole.
    char block[65536];
    std::size_t at = 0;
    bool same = true;
    while (same) {
        const ssize_t n = ::read(fd, block, sizeof block);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        const auto got = static_cast<std::size_t>(n);
        same =
            at + got <= bytes.size() && bytes.compare(at, got, std::string_view(block, got)) == 0;
        at += got;
    }
    ::close(fd);
    return same && at == bytes.size();
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ReplaceFile(const std::string& path, std::string_view bytes, ReplaceFailure* failure,
                 const FileToReplace* replaces) {
    errno = 0;
    PendingFile file(path);
    file.Replacing(replaces);
    if (!file.Open()) return Failed(failure, false);
    if (!file.Write(bytes.data(), bytes.size()) || !file.Commit()) {
        Failed(failure, true);
        if (failure != nullptr) failure->changed = file.FoundChanged();
        return false;
    }
    return true;
}

int OpenRegularFile(const std::string& path) {
    // Looking first keeps devices from being opened at all (opening some has effects, a tape
    // rewinds); the check after opening covers a file swapped for something else in between.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) {
        errno = EINVAL;
        return -1;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; a regular file ignores the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    return fd;
}

bool CopyFileReplacing(const std::string& from, const std::string& to, ReplaceFailure* failure) {
    errno = 0;
    const int in = OpenRegularFile(from);
    if (in < 0) return Failed(failure, false);
    PendingFile file(to);
    if (!file.Open()) {
        const int error = errno;
        ::close(in);
        errno = error;
        return Failed(failure, false);
    }
    bool ok = true;
    bool done = false;
#if defined(__linux__)
    // The kernel copies within itself (sharing the blocks where the file system can), so the
    // bytes never pass through this process. Where it cannot, before anything was copied, the
    // loop below does it.
    bool started = false;
    while (!done) {
        const ssize_t n = ::copy_file_range(in, nullptr, file.Descriptor(), nullptr, 1 << 30, 0);
        if (n > 0) {
            started = true;
        } else if (n == 0) {
            // Some file systems answer 0 for files they cannot copy this way; before anything was
            // copied that is no proof of an empty file, so the loop below reads it.
            done = started;
            break;
        } else if (errno != EINTR) {
            if (started || (errno != EXDEV && errno != ENOSYS && errno != EOPNOTSUPP &&
                            errno != EINVAL && errno != EBADF))
                ok = false;
            break;
        }
    }
#endif
    std::vector<char> buffer(ok && !done ? 1 << 20 : 0);
    while (ok && !done) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        if (!file.Write(buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            break;
        }
    }
    const int error = errno;
    ::close(in);
    errno = error;
    if (!ok || !file.Commit()) return Failed(failure, true);
    return true;
}

std::string ResolvedPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string result = resolved;
    std::free(resolved);
    return result;
}

bool IsSameFile(const std::string& a, const std::string& b) {
    if (a == b) return true;
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool FindFileToReplace(const std::string& name, FileToReplace& file) {
    file.name = name;
    file.path = ResolvedPath(name);
    struct stat st {};
    if (::lstat(file.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    file.identity = IdentityOfStat(st);
    return true;
}

bool IdentityOf(const std::string& path, FileIdentity& identity, bool* is_link) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0) return false;
    const bool link = S_ISLNK(st.st_mode);
    if (is_link != nullptr) *is_link = link;
    // A name that is no link is its own file: one look at the disk, not two.
    if (link && ::stat(path.c_str(), &st) != 0) return false;
    identity = IdentityOfStat(st);
    return true;
}

bool ReadFileStart(const std::string& path, std::size_t limit, std::string& bytes) {
    bytes.clear();
    // A theme file or a profile that is a FIFO must not stop the program waiting for a writer.
    const int fd = OpenRegularFile(path);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        bytes.reserve(std::min(limit, static_cast<size_t>(st.st_size)));
    char buffer[65536];
    bool ok = true;
    while (bytes.size() < limit) {
        ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
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

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    return ReadFileStart(path, std::numeric_limits<std::size_t>::max(), bytes);
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
