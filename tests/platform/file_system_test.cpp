#include "platform/file_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

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
    std::vector<DirEntry> entries = ListDirectory(dir.Path());
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    std::vector<std::string> got;
    for (const DirEntry& e : entries) {
        got.push_back(e.name + (e.is_dir ? " dir" : "") + (e.hidden ? " hidden" : ""));
    }
    EXPECT_EQ(got,
              (std::vector<std::string>{".hidden.jpg hidden", "a.jpg", "link dir", "sub dir"}));
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

TEST(FileSystem, AtomicWriteReplacesAndKeepsPermissions) {
    TempDir dir;
    const std::string path = dir / "f.txt";
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(path, "second"));
    EXPECT_EQ(ReadTestFile(path), "second");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_FALSE(WriteFileAtomically(dir / "no/such/folder/f.txt", "x"));
    // Nothing but the file itself is left in the folder.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
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

TEST(FileSystem, ReplaceThroughTemporaryKeepsTheOldFileWhenTheWriterFails) {
    TempDir dir;
    const std::string path = dir / "picture.jpg";
    WriteTestFile(path, "original");
    ::chmod(path.c_str(), 0640);
    // A writer that leaves half a file and reports failure.
    EXPECT_FALSE(ReplaceThroughTemporary(path, [](const std::string& temporary) {
        WriteTestFile(temporary, "ha");
        return false;
    }));
    EXPECT_EQ(ReadTestFile(path), "original");
    ASSERT_TRUE(ReplaceThroughTemporary(
        path, [](const std::string& temporary) { return WriteTestFile(temporary, "turned"); }));
    EXPECT_EQ(ReadTestFile(path), "turned");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1) << "a temporary file was left behind";
}

TEST(FileSystem, ReadWholeFileAndExistence) {
    TempDir dir;
    std::string bytes;
    WriteTestFile(dir / "f", std::string("a\0b", 3));
    ASSERT_TRUE(ReadWholeFile(dir / "f", bytes));
    EXPECT_EQ(bytes, std::string("a\0b", 3));
    EXPECT_FALSE(ReadWholeFile(dir / "missing", bytes));
    EXPECT_FALSE(ReadWholeFile(dir.Path(), bytes));
    EXPECT_TRUE(PathExists(dir / "f"));
    EXPECT_FALSE(IsDirectory(dir / "f"));
    EXPECT_TRUE(IsDirectory(dir.Path()));
    EXPECT_FALSE(PathExists(""));

    const std::string t1 = TemporarySiblingPath(dir / "f");
    const std::string t2 = TemporarySiblingPath(dir / "f");
    EXPECT_NE(t1, t2);
    EXPECT_EQ(std::filesystem::path(t1).parent_path(), std::filesystem::path(dir.Path()));
    EXPECT_FALSE(PathExists(t1));
}

}  // namespace
