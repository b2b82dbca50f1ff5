#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What differs per system in the file system, and the few file operations the jobs share.
// All paths are UTF-8.

// One entry of a folder listing ("." and ".." are never listed).
struct DirEntry {
    std::string name;  // the entry's name alone
    bool is_dir = false;
    bool hidden =
        false;  // Linux and macOS: the name begins with "."; Windows: the hidden attribute
};

// The entries of `folder` in no particular order; empty when it cannot be read.
std::vector<DirEntry> ListDirectory(const std::string& folder);

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

// Copies `from` to `to`, replacing `to`. The copy is written beside `to` first and renamed into
// place, so a failed copy never leaves `to` half-written. Returns false on failure.
bool CopyFileReplacing(const std::string& from, const std::string& to);

// Writes `bytes` to `path` through a temporary file in the same folder and a rename. Returns false
// (and leaves any existing file untouched) on failure.
bool WriteFileAtomically(const std::string& path, const std::string& bytes);

// Lets `write` create the file at a temporary path beside `path`, then renames it into place with
// the permissions of the file it replaces. When `write` fails (or leaves nothing) the temporary
// file is removed and `path` is untouched. For writers that take a path rather than bytes.
bool ReplaceThroughTemporary(const std::string& path,
                             const std::function<bool(const std::string& temporary)>& write);

// Reads a whole file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// A temporary file name beside `path` (same folder, unique, not yet existing).
std::string TemporarySiblingPath(const std::string& path);
