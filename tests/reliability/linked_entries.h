#pragma once

#include <gtest/gtest.h>
#include <sys/mount.h>

#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>

#include "album/generation/album_manifest.h"
#include "imaging/image_codec.h"
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

// `folder` (made here) as a bind mount of `target`: one folder under a second name that no link
// shows. Unmounted when the object goes. Mounting needs privileges: Mounted() is false where the
// machine does not allow it.
class BindMount {
  public:
    BindMount(const std::string& target, const std::string& folder) : folder_(folder) {
        std::filesystem::create_directories(folder);
        mounted_ = ::mount(target.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0;
    }
    ~BindMount() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    BindMount(const BindMount&) = delete;
    BindMount& operator=(const BindMount&) = delete;
    bool Mounted() const { return mounted_; }

  private:
    std::string folder_;
    bool mounted_ = false;
};

// A picture whose file changes while a job that writes over its sources has it in hand. Under a
// root folder: store/X.jpg and store/Y.jpg, two different pictures, and src/a.jpg, the only
// picture of src, a symbolic link to store/X.jpg or a copy of it.
struct Meddling {
    const char* name;
    bool link;  // src/a.jpg is a link to store/X.jpg (else a file of its own)
    void (*meddle)(const std::string& root);
};

inline const Meddling kMeddlings[] = {
    {"link re-pointed", true,
     [](const std::string& root) {
         std::filesystem::remove(root + "/src/a.jpg");
         std::filesystem::create_symlink(root + "/store/Y.jpg", root + "/src/a.jpg");
     }},
    {"file behind the link replaced", true,
     [](const std::string& root) {
         std::filesystem::rename(root + "/store/Y.jpg", root + "/store/X.jpg");
     }},
    {"file replaced", false,
     [](const std::string& root) {
         std::filesystem::rename(root + "/store/Y.jpg", root + "/src/a.jpg");
     }},
};

// Writes the folders of a Meddling (or of a link to a picture outside src, `link`) under `root`.
// False when a file could not be written.
inline bool WriteStoreAndSource(const std::string& root, bool link) {
    if (!WriteTestFile(root + "/store/X.jpg",
                       ReadTestFile(TestDataPath("jpeg/good/ljt_testorig.jpg"))) ||
        !WriteTestFile(root + "/store/Y.jpg", ReadTestFile(TestDataPath("jpeg/good/gen_420.jpg"))))
        return false;
    std::filesystem::create_directories(root + "/src");
    if (link) {
        std::filesystem::create_symlink(root + "/store/X.jpg", root + "/src/a.jpg");
        return true;
    }
    return WriteTestFile(root + "/src/a.jpg", ReadTestFile(root + "/store/X.jpg"));
}

// What a job writing over src/a.jpg could change under `root`: every file of store/ with its
// bytes, where src/a.jpg leads and what it holds, and the hidden names of src (a temporary file
// left behind; the album's record of its files is no such file).
inline std::map<std::string, std::string> StoreAndSource(const std::string& root) {
    std::map<std::string, std::string> state = FolderContents(root + "/store");
    const std::filesystem::path a = root + "/src/a.jpg";
    state["src/a.jpg"] =
        (std::filesystem::is_symlink(a) ? std::filesystem::read_symlink(a).string() + ": " : "") +
        ReadTestFile(a);
    for (const auto& entry : std::filesystem::directory_iterator(root + "/src"))
        if (entry.path().filename().string()[0] == '.' &&
            entry.path().filename() != kAlbumManifestName)
            state["src hidden"] += entry.path().string();
    return state;
}

// The real codec, except that right after its first load it runs `meddle` once: a test changes
// the files under a job at the moment it has a picture in hand.
class MeddlingCodec : public ImageCodec {
  public:
    explicit MeddlingCodec(std::function<void()> meddle) : meddle_(std::move(meddle)) {}
    ImageHandle Load(const std::string& path, int min_width, int min_height) override {
        ImageHandle image = ImageCodec::Load(path, min_width, min_height);
        std::call_once(once_, meddle_);
        return image;
    }
    DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) override {
        DecodedPicture picture = ImageCodec::Decode(bytes, min_width, min_height);
        std::call_once(once_, meddle_);
        return picture;
    }

  private:
    std::function<void()> meddle_;
    std::once_flag once_;
};
