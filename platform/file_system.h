#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What differs per system in the file system, and the few file operations the jobs share.
// All paths are UTF-8.

// One entry of a folder listing ("." and ".." are never listed).
struct DirEntry {
    std::string name;  // the entry's name alone, as the bytes the system gave
    bool is_dir = false;
    // A regular file or a link to one: the only entries that can hold a picture, a material or a
    // theme (a FIFO, socket or device is neither a folder nor a file).
    bool is_file = false;
    bool hidden =
        false;  // Linux and macOS: the name begins with "."; Windows: the hidden attribute
};

// The entries of `folder` in no particular order; empty when it cannot be read.
std::vector<DirEntry> ListDirectory(const std::string& folder);

// Opens a regular file (or a link to one) for reading by the bytes of its path, without ever
// blocking: a FIFO, socket or device is refused before anything could wait for it. Returns the
// descriptor, which the caller closes, or -1 with errno set (EINVAL for a file that is not
// regular).
int OpenRegularFile(const std::string& path);

// The kind of a folder-tree root, which picks its icon.
enum class RootKind { Removable, Fixed, Network, Optical, Ram };

struct FolderRoot {
    std::string path;  // "/" or a mount point or the home folder, without a trailing "/" except "/"
    RootKind kind = RootKind::Fixed;
};

// The top-level nodes of the folder tree: "/" (Fixed), the user's home folder (Fixed), then the
// mounted removable, optical, network and RAM file systems from the mount table, each once.
std::vector<FolderRoot> FolderTreeRoots();

// The same, from a mount table's text (the format of /proc/self/mounts), for tests.
std::vector<FolderRoot> FolderTreeRootsFromMounts(const std::string& mounts_text,
                                                  const std::string& home);

// The folder that holds the album maker's profile: $XDG_CONFIG_HOME, else ~/.config. No trailing
// "/".
std::string ProfileFolder();

// The folder for the user's own data files: $XDG_DATA_HOME, else ~/.local/share. No trailing "/".
std::string UserDataFolder();

// The user's home folder ($HOME), without a trailing "/".
std::string HomeFolder();

// "~" or a leading "~/" replaced by the home folder; other texts unchanged.
std::string ExpandHome(const std::string& path);

// The path with "~" expanded and, when relative, taken from the current folder, as command-line
// tools read their arguments; normalised ("a/./b" -> "a/b"). An empty text stays empty.
std::string AbsolutePath(const std::string& path);

bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// What tells that a file's content may have changed without reading it: its size and the time it
// was last written, in nanoseconds. A path that leads to no file has size -1.
struct FileStamp {
    std::int64_t size = -1;
    std::int64_t modified_ns = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
FileStamp StampOfFile(const std::string& path);

// What tells that a file may have changed without reading it, finer than FileStamp: besides the
// size and the time it was written, the time its entry last changed (a `touch -r` or a copy kept
// its written time, never this one) and its file number (a file put in its place by a rename).
// A path that leads to no regular file has size -1.
struct FileVersion {
    std::int64_t size = -1;
    std::int64_t modified_ns = 0;
    std::int64_t changed_ns = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileVersion&, const FileVersion&) = default;
};
// With `follow_links` false, a symbolic link at `path` is no regular file.
FileVersion VersionOfFile(const std::string& path, bool follow_links);

// True when `path` is a regular file itself (not a link) that holds exactly `bytes`: writing them
// again would change nothing but its times.
bool FileHoldsBytes(const std::string& path, std::string_view bytes);

// Why ReplaceFile or CopyFileReplacing failed: before anything could be written (the temporary file
// could not be made: a missing or unwritable folder, a file the user may not replace), or while
// writing and putting the file in place (a full disk, an I/O error). `error` is the errno value.
struct ReplaceFailure {
    bool opened = false;  // false: nothing was written; true: writing or linking in failed
    int error = 0;
    // The file to be replaced (FileToReplace) was no longer where it had been read: nothing was
    // changed. `error` is then ESTALE.
    bool changed = false;
};

// Which file a path leads to, its links followed: the device and the file number. Two names of one
// file (hard links, a symbolic link and its target) have one identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// A file that a job reads and then writes over, found once before it is read: the job reads
// `path` and replaces it, so that the file replaced is the file that was read, even when a link on
// the way is re-pointed meanwhile.
struct FileToReplace {
    std::string name;       // the path the job was given: the file itself or a link leading to it
    std::string path;       // where `name` led, every link resolved
    FileIdentity identity;  // the file found at `path` before it was read
};

// Resolves `name` for FileToReplace; false when no regular file is there.
bool FindFileToReplace(const std::string& name, FileToReplace& file);

// Puts `bytes` at `path` so that `path` only ever shows the old file or the whole new one. The
// bytes go into an unnamed temporary file in the same folder (a named one, ".pv" plus ten random
// characters, where the file system has none), which is linked in only when complete: an
// interruption, even by SIGKILL, leaves no half-written file and nothing else behind. A file being
// replaced keeps its permission bits and, where the process may set them, its owner and group; it
// is flushed to the disk before it replaces the old one. A file the user may not write, or one
// without any write permission bit (read-only even to an administrator), is not replaced: false,
// EACCES. A symbolic link at `path` is replaced by the file, never written through (pass
// ResolvedPath(path) to replace what it points to). Returns false on failure, with the reason in
// `failure` if given, and leaves `path` as it was.
//
// With `replaces` (whose `path` is `path`), the new file only takes the place of that very file: it
// is put in place when `path` still holds it and its `name` then leads to the new file; otherwise
// nothing changes (failure->changed). Where the file system can swap two names in one step the
// check follows the swap, which is undone when it fails, so that no other file is ever lost; where
// it cannot, the check comes just before the rename.
bool ReplaceFile(const std::string& path, std::string_view bytes, ReplaceFailure* failure = nullptr,
                 const FileToReplace* replaces = nullptr);

// Copies the regular file `from` to `to` by the same rules as ReplaceFile. A source that is not a
// regular file (a folder, a FIFO, a device) is refused without blocking. Returns false on failure.
bool CopyFileReplacing(const std::string& from, const std::string& to,
                       ReplaceFailure* failure = nullptr);

// The path with every symbolic link resolved (the file a link finally points to); the path itself
// when it cannot be resolved (it does not exist yet, for example).
std::string ResolvedPath(const std::string& path);

// True when both paths name one existing file, however they are spelt ("a/../b", a link, a trailing
// separator): writing to one then overwrites the other.
bool IsSameFile(const std::string& a, const std::string& b);

// The identity of the file `path` leads to; false when nothing is there (or it cannot be told).
// `is_link` (optional) tells whether `path` itself is a symbolic link.
bool IdentityOf(const std::string& path, FileIdentity& identity, bool* is_link = nullptr);

// Reads a whole regular file (opened with OpenRegularFile); false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Reads the first `limit` bytes of a regular file (all of a shorter one), as ReadWholeFile does.
bool ReadFileStart(const std::string& path, std::size_t limit, std::string& bytes);

// How much of a stored text file (the profile, a theme file) is read: real ones hold a few
// kilobytes, and a damaged or hostile one of many megabytes must not stall the program.
inline constexpr std::size_t kStoredTextReadLimit = std::size_t{1} << 20;
