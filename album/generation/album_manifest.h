#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

// The album's own record of what it read and wrote, kept in its output folder so that a rebuild
// redoes only what changed and removes only what it wrote itself. It names files relative to
// their folders and holds no absolute path, user name or time of the build: a synced album
// publishes nothing about the machine it was made on.

// The file name of the record in the album's output folder.
inline constexpr const char* kAlbumManifestName = ".pictavo-manifest.json";

// The format version written; a record of a later version is not read (a full build follows).
inline constexpr int kAlbumManifestVersion = 1;

// One picture read by the album: its file's version when it was last hashed, and the hash of its
// bytes (ContentHash).
struct ManifestSource {
    FileVersion version;
    std::string hash;
    friend bool operator==(const ManifestSource&, const ManifestSource&) = default;
};

// One file the album wrote: the recipe it was made by (ContentHash of the recipe's text; empty
// for a page or material, which is compared by its bytes instead), the hash of its bytes and its
// file's version when they were last hashed.
struct ManifestOutput {
    std::string recipe;
    std::string hash;
    FileVersion version;
    friend bool operator==(const ManifestOutput&, const ManifestOutput&) = default;
};

struct AlbumManifest {
    // The output folder the record belongs to (its device and file number): a record copied
    // along with an album into another folder is not taken for that folder's own.
    std::string folder;
    // By file name in the picture folder, as the bytes of the name.
    std::map<std::string, ManifestSource> sources;
    // By path relative to the output folder, separated by "/".
    std::map<std::string, ManifestOutput> outputs;
    friend bool operator==(const AlbumManifest&, const AlbumManifest&) = default;
};

// A 128-bit XXH3 hash of `bytes` as 32 lower-case hexadecimal digits.
std::string ContentHash(std::string_view bytes);
// The same of the regular file at `path` (links followed), read once; none when unreadable.
std::optional<std::string> FileContentHash(const std::string& path);

// The identity that AlbumManifest::folder records for the folder at `path`; empty when none.
std::string FolderIdentityText(const std::string& path);

// The record as the bytes of its file: JSON, one entry a line, entries sorted by name, so that
// the same record always gives the same bytes. Names that are not UTF-8 keep their bytes: each
// byte that is not part of a UTF-8 character is written as the escape \udcXX.
std::string RenderAlbumManifest(const AlbumManifest& manifest);

// The record from its file's bytes; none when they are damaged, of another format or of a later
// version.
std::optional<AlbumManifest> ParseAlbumManifest(std::string_view text);
