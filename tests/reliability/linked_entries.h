#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "imaging/imgkit.h"
#include "tests/support/temp_dir.h"

// An output folder whose entries are links or hard links to the originals: the set-up and the
// checks that both jobs' link tests share.

enum class Link { Hard, Symbolic };

inline const char* LinkName(Link link) {
    return link == Link::Hard ? "hard link" : "symbolic link";
}

// The pictures the link tests write: two copies of one small JPEG in the source folder.
inline constexpr const char* kLinkedPictures[] = {"a.jpg", "b.jpg"};

// Writes each of kLinkedPictures into `originals`; `original` gets the bytes they hold. False when
// a file could not be written.
inline bool WriteLinkedPictures(const std::string& originals, std::string& original) {
    original = ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"));
    for (const char* name : kLinkedPictures)
        if (!WriteTestFile(originals + "/" + name, original)) return false;
    return true;
}

// Makes `folder` (with its parents) and in it, for each of kLinkedPictures, a link of kind `link`
// to the file of that name in `originals`.
inline void LinkToOriginals(Link link, const std::string& originals, const std::string& folder) {
    std::filesystem::create_directories(folder);
    for (const char* name : kLinkedPictures) {
        const std::filesystem::path target = originals + "/" + name;
        const std::string entry = folder + "/" + name;
        if (link == Link::Hard)
            std::filesystem::create_hard_link(target, entry);
        else
            std::filesystem::create_symlink(target, entry);
    }
}

// Every original in `originals` is still `original`, and each entry of `folder` is a file of its
// own (no link, one name) holding a picture of `size`.
inline void ExpectOwnFilesBesideOriginals(const std::string& originals, const std::string& original,
                                          const std::string& folder, ImgKitSize size) {
    for (const char* name : kLinkedPictures) {
        EXPECT_EQ(ReadTestFile(originals + "/" + name), original) << name;
        const std::string written = folder + "/" + name;
        EXPECT_FALSE(std::filesystem::is_symlink(written)) << name;
        EXPECT_EQ(std::filesystem::hard_link_count(written), 1u) << name;
        EXPECT_EQ(ImgKitUprightSize(written), size) << name;
    }
}
