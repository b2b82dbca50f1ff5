#include "platform/file_system.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace {

std::string KindName(RootKind kind) {
    switch (kind) {
        case RootKind::Removable:
            return "removable";
        case RootKind::Fixed:
            return "fixed";
        case RootKind::Network:
            return "network";
        case RootKind::Optical:
            return "optical";
        case RootKind::Ram:
            return "ram";
    }
    return "?";
}

std::vector<std::string> Describe(const std::vector<FolderRoot>& roots) {
    std::vector<std::string> out;
    for (const FolderRoot& r : roots) out.push_back(r.path + " " + KindName(r.kind));
    return out;
}

TEST(FolderTreeRoots, SampleMountTableGivesTheUsersVolumesOnce) {
    const std::string mounts =
        "sysfs /sys sysfs rw,nosuid 0 0\n"
        "proc /proc proc rw 0 0\n"
        "udev /dev devtmpfs rw 0 0\n"
        "tmpfs /run tmpfs rw,nosuid 0 0\n"
        "/dev/nvme0n1p2 / ext4 rw,relatime 0 0\n"
        "tmpfs /dev/shm tmpfs rw 0 0\n"
        "tmpfs /sys/fs/cgroup tmpfs ro 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "/dev/nvme0n1p1 /boot/efi vfat rw 0 0\n"
        "/dev/nvme0n1p3 /home ext4 rw 0 0\n"
        "/dev/sdb1 /media/ann/CAMERA\\040SD vfat rw,nosuid 0 0\n"
        "/dev/sr0 /media/ann/DVD iso9660 ro 0 0\n"
        "/dev/sr1 /mnt/bluray udf ro 0 0\n"
        "//nas/photos /mnt/nas cifs rw 0 0\n"
        "server:/export /net/photos nfs4 rw 0 0\n"
        "ann@host:/pics /home/ann/remote fuse.sshfs rw 0 0\n"
        "tmpfs /mnt/ramdisk tmpfs rw 0 0\n"
        "/dev/sdc1 /run/media/ann/USB exfat rw 0 0\n"
        "/dev/sdc1 /run/media/ann/USB exfat rw 0 0\n"
        "garbage\n"
        "\n";
    EXPECT_EQ(Describe(FolderTreeRootsFromMounts(mounts, "/home/ann/")),
              (std::vector<std::string>{
                  "/ fixed",
                  "/home/ann fixed",
                  "/media/ann/CAMERA SD removable",
                  "/media/ann/DVD optical",
                  "/mnt/bluray optical",
                  "/mnt/nas network",
                  "/net/photos network",
                  "/home/ann/remote network",
                  "/mnt/ramdisk ram",
                  "/run/media/ann/USB removable",
              }));
}

TEST(FolderTreeRoots, EmptyTableStillHasRootAndHome) {
    EXPECT_EQ(Describe(FolderTreeRootsFromMounts("", "/home/bob")),
              (std::vector<std::string>{"/ fixed", "/home/bob fixed"}));
    EXPECT_EQ(Describe(FolderTreeRootsFromMounts("", "/")), (std::vector<std::string>{"/ fixed"}));
}

TEST(FolderTreeRoots, LiveTableStartsWithRoot) {
    std::vector<FolderRoot> roots = FolderTreeRoots();
    ASSERT_FALSE(roots.empty());
    EXPECT_EQ(roots[0].path, "/");
}

TEST(FileSystem, ListDirectoryMarksFoldersAndHiddenEntries) {
    TempDir dir;
    WriteTestFile(dir / "a.jpg", "x");
    WriteTestFile(dir / ".hidden.jpg", "x");
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_directory_symlink(dir / "sub", dir / "link");
    std::filesystem::create_symlink(dir / "a.jpg", dir / "to_a.jpg");
    ASSERT_EQ(::mkfifo((dir / "fifo.jpg").c_str(), 0644), 0);
    std::vector<DirEntry> entries = ListDirectory(dir.Path());
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    std::vector<std::string> got;
    for (const DirEntry& e : entries) {
        got.push_back(e.name + (e.is_dir ? " dir" : "") + (e.is_file ? " file" : "") +
                      (e.hidden ? " hidden" : ""));
    }
    EXPECT_EQ(got, (std::vector<std::string>{".hidden.jpg file hidden", "a.jpg file", "fifo.jpg",
                                             "link dir", "sub dir", "to_a.jpg file"}));
    EXPECT_TRUE(ListDirectory(dir / "missing").empty());
}

TEST(FileSystem, HomeAndProfileFolders) {
    const char* old_home = std::getenv("HOME");
    const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
    std::string saved_home = old_home ? old_home : "";
    std::string saved_xdg = old_xdg ? old_xdg : "";

    setenv("HOME", "/home/ann/", 1);
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(HomeFolder(), "/home/ann");
    EXPECT_EQ(ProfileFolder(), "/home/ann/.config");
    setenv("XDG_CONFIG_HOME", "/cfg/", 1);
    EXPECT_EQ(ProfileFolder(), "/cfg");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(ProfileFolder(), "/home/ann/.config");
    const char* old_data = std::getenv("XDG_DATA_HOME");
    const std::string saved_data = old_data ? old_data : "";
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(UserDataFolder(), "/home/ann/.local/share");
    setenv("XDG_DATA_HOME", "/data/", 1);
    EXPECT_EQ(UserDataFolder(), "/data");
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(UserDataFolder(), "/home/ann/.local/share");
    if (old_data)
        setenv("XDG_DATA_HOME", saved_data.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(ExpandHome("~"), "/home/ann");
    EXPECT_EQ(ExpandHome("~/MyAlbum"), "/home/ann/MyAlbum");
    EXPECT_EQ(ExpandHome("~other/x"), "~other/x");
    EXPECT_EQ(ExpandHome("/a/~/b"), "/a/~/b");
    EXPECT_EQ(AbsolutePath("~/x/./y/"), "/home/ann/x/y/");
    EXPECT_EQ(AbsolutePath("/a/../b"), "/b");
    EXPECT_EQ(AbsolutePath(""), "");
    EXPECT_EQ(AbsolutePath("rel"), std::filesystem::current_path().string() + "/rel");

    if (old_home)
        setenv("HOME", saved_home.c_str(), 1);
    else
        unsetenv("HOME");
    if (old_xdg)
        setenv("XDG_CONFIG_HOME", saved_xdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

// The names in a folder, sorted: what a replacement left behind.
std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(FileSystem, ReplaceFileReplacesAndKeepsPermissions) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    ASSERT_TRUE(ReplaceFile(path, "first"));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(ReplaceFile(path, "second"));
    EXPECT_EQ(ReadTestFile(path), "second");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    ReplaceFailure failure;
    EXPECT_FALSE(ReplaceFile(dir / "no/such/folder/f.txt", "x", &failure));
    EXPECT_FALSE(failure.opened);
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"f.txt"});
}

// What replacing a file may and may not do to what is already there.
TEST(FileSystem, ReplaceFileKeepsOwnerFollowsOnlyResolvedLinksAndLeavesReadOnlyFiles) {
    TempDir dir;
    // A picture owned by someone else keeps its owner (where the process may give it back).
    const std::string owned = dir / "owned.jpg";
    WriteTestFile(owned, "old");
    ::chmod(owned.c_str(), 0640);
    const bool can_chown = ::chown(owned.c_str(), 65534, 65534) == 0;
    ASSERT_TRUE(ReplaceFile(owned, "new"));
    struct stat st {};
    ASSERT_EQ(::stat(owned.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (can_chown) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }

    // A link is replaced by the file itself; its target is left alone...
    WriteTestFile(dir / "other.html", "someone else's page");
    ASSERT_EQ(::symlink("other.html", (dir / "page.html").c_str()), 0);
    ASSERT_TRUE(ReplaceFile(dir / "page.html", "album page"));
    EXPECT_EQ(ReadTestFile(dir / "other.html"), "someone else's page");
    EXPECT_EQ(ReadTestFile(dir / "page.html"), "album page");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "page.html"));
    // ...unless the caller resolves it, as the jobs do for a user's own picture behind a link.
    WriteTestFile(dir / "real.jpg", "original");
    ASSERT_EQ(::symlink("real.jpg", (dir / "link.jpg").c_str()), 0);
    ASSERT_TRUE(ReplaceFile(ResolvedPath(dir / "link.jpg"), "turned"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "real.jpg"), "turned");
    EXPECT_TRUE(IsSameFile(dir / "link.jpg", dir / "real.jpg"));

    // A read-only file is not replaced, whoever runs the program.
    WriteTestFile(dir / "locked.jpg", "keep me");
    ::chmod((dir / "locked.jpg").c_str(), 0444);
    ReplaceFailure failure;
    EXPECT_FALSE(ReplaceFile(dir / "locked.jpg", "lost", &failure));
    EXPECT_FALSE(failure.opened);
    EXPECT_EQ(failure.error, EACCES);
    EXPECT_FALSE(CopyFileReplacing(dir / "real.jpg", dir / "locked.jpg"));
    EXPECT_EQ(ReadTestFile(dir / "locked.jpg"), "keep me");

    EXPECT_EQ(Entries(dir.Path()),
              (std::vector<std::string>{"link.jpg", "locked.jpg", "other.html", "owned.jpg",
                                        "page.html", "real.jpg"}));
}

// The temporary name must fit beside any name the file system accepts (255 bytes here).
TEST(FileSystem, ReplaceAndCopyWorkForTheLongestNames) {
    TempDir dir;
    std::string japanese;
    for (int i = 0; i < 85; ++i) japanese += "写";  // 255 bytes
    for (const std::string& name : {std::string(251, 'a') + ".jpg", japanese}) {
        SCOPED_TRACE(name.size());
        ASSERT_TRUE(ReplaceFile(dir / name, "first"));
        ASSERT_TRUE(ReplaceFile(dir / name, "second"));
        ASSERT_TRUE(CopyFileReplacing(dir / name, dir / (name.substr(0, 240) + ".c")));
        EXPECT_EQ(ReadTestFile(dir / name), "second");
        std::filesystem::remove(dir / name);
        std::filesystem::remove(dir / (name.substr(0, 240) + ".c"));
    }
    EXPECT_TRUE(Entries(dir.Path()).empty());
}

// A process killed half way through a write leaves neither a half-written file nor a temporary.
TEST(FileSystem, AKilledWriteLeavesNothingBehind) {
    TempDir dir;
    const int probe = ::open(dir.Path().c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0) GTEST_SKIP() << "this file system has no unnamed temporary files";
    ::close(probe);
    WriteTestFile(dir / "photo.jpg", "original");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Writing past 4 KB raises SIGXFSZ, which here kills the process in the middle of the
        // write.
        struct sigaction kill_self {};
        kill_self.sa_handler = [](int) { ::raise(SIGKILL); };
        ::sigaction(SIGXFSZ, &kill_self, nullptr);
        rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        ReplaceFile(dir / "photo.jpg", std::string(1 << 20, 'x'));
        ReplaceFile(dir / "new.jpg", std::string(1 << 20, 'x'));
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(ReadTestFile(dir / "photo.jpg"), "original");
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string>{"photo.jpg"});
}

TEST(FileSystem, CopyReplacesTheTargetAndFailsCleanly) {
    TempDir dir;
    std::string big(3 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31);
    WriteTestFile(dir / "src.bin", big);
    WriteTestFile(dir / "dst.bin", "old");
    ASSERT_TRUE(CopyFileReplacing(dir / "src.bin", dir / "dst.bin"));
    EXPECT_EQ(ReadTestFile(dir / "dst.bin"), big);

    EXPECT_FALSE(CopyFileReplacing(dir / "missing.bin", dir / "dst.bin"));
    EXPECT_EQ(ReadTestFile(dir / "dst.bin"), big);
    std::filesystem::create_directory(dir / "folder");
    WriteTestFile(dir / "folder/inside", "x");
    EXPECT_FALSE(CopyFileReplacing(dir / "src.bin", dir / "folder"));
    EXPECT_FALSE(CopyFileReplacing(dir / "folder", dir / "copy"));
    EXPECT_FALSE(PathExists(dir / "copy"));
}

TEST(FileSystem, ReadWholeFileAndExistence) {
    TempDir dir;
    std::string bytes;
    WriteTestFile(dir / "f", std::string("a\0b", 3));
    ASSERT_TRUE(ReadWholeFile(dir / "f", bytes));
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    EXPECT_FALSE(ReadWholeFile(dir / "missing", bytes));
    EXPECT_FALSE(ReadWholeFile(dir.Path(), bytes));
    // A FIFO (a theme file or profile made one) is refused at once instead of waiting for a writer.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    EXPECT_FALSE(ReadWholeFile(dir / "fifo", bytes));
    EXPECT_TRUE(PathExists(dir / "f"));
    EXPECT_FALSE(IsDirectory(dir / "f"));
    EXPECT_TRUE(IsDirectory(dir.Path()));
    EXPECT_FALSE(PathExists(""));
}

}  // namespace
