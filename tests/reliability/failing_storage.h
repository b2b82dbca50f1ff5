#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

// Ways to make a save fail for real, so that tests can prove that a failed save never harms the
// file it was meant to replace.

// While alive, no file of this process may grow beyond `bytes`: a write past it fails with EFBIG
// (SIGXFSZ is ignored), as a write to a full disk fails. Works for every user, root included.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_handler_ = ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Active() const { return active_; }

  private:
    rlimit old_{};
    sighandler_t old_handler_ = SIG_DFL;
    bool active_ = false;
};

// A small tmpfs mounted on `folder` (which must exist and be empty), unmounted when the object
// goes. Mounting needs privileges: Mounted() is false where the machine does not allow it.
class SmallTmpfs {
  public:
    SmallTmpfs(const std::string& folder, const std::string& size) : folder_(folder) {
        const std::string options = "size=" + size + ",mode=0777";
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallTmpfs() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;
    bool Mounted() const { return mounted_; }

    // Makes the file system read-only: every later write into it fails, also for root.
    bool MakeReadOnly() {
        return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

    // Fills every free byte with a hidden filler file, so that the next write fails with ENOSPC.
    bool Fill() {
        const std::string filler = folder_ + "/.filler";
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd < 0) return false;
        static const std::vector<char> block(4096, 'x');
        bool full = false;
        for (;;) {
            const ssize_t n = ::write(fd, block.data(), block.size());
            if (n < 0) {
                full = errno == ENOSPC;
                break;
            }
            if (n < static_cast<ssize_t>(block.size())) continue;
        }
        // The last page may be half used: fill it byte by byte.
        while (full && ::write(fd, block.data(), 1) == 1) {
        }
        ::close(fd);
        return full;
    }

  private:
    std::string folder_;
    bool mounted_ = false;
};

// True when the effective user may write anywhere (permissions then cannot make a save fail).
inline bool RunningAsRoot() {
    return ::geteuid() == 0;
}

// The names in `folder` (no recursion), hidden ones included.
inline std::set<std::string> FolderNames(const std::string& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        names.insert(e.path().filename().string());
    return names;
}
