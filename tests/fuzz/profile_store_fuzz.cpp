// Feeds arbitrary bytes to the profile reader as the contents of a profile file, reads every
// setting from it, then saves them with one key changed and checks that the save took whole and
// that nothing else changed, or that the file was left as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "album/settings/album_setting_schema.h"
#include "album/settings/album_settings.h"
#include "platform/profile_store.h"

namespace {

std::string ProfilePath() {
    static const std::string path = [] {
        const char* shm = "/dev/shm";
        std::string folder = access(shm, W_OK) == 0 ? shm : "/tmp";
        return folder + "/profile_fuzz_" + std::to_string(getpid()) + ".ini";
    }();
    return path;
}

// What a profile line can hold of a text: a line break inside it is written as a blank.
std::string OnOneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return text;
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ProfilePath();
    const std::string input(reinterpret_cast<const char*>(data), size);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << input;
    }
    ProfileStore profile(path);
    AlbumSettings before;
    LoadSettings(profile, before);
    profile.ReadInt("param", "thumbnail_x", 100);
    profile.ReadText("PARAM", "html_title", "");

    // The settings are saved whole with a new html_comment: afterwards the file reads back as
    // exactly what was saved (a line break inside a text kept as a blank), or, when it could not
    // take them, it is byte for byte as it was.
    AlbumSettings saved = before;
    saved.html_comment = "fuzz value 夏";
    if (SaveSettings(profile, saved).Written()) {
        AlbumSettings after;
        LoadSettings(profile, after);
        AlbumSettings expected = saved;
        for (const AlbumSettingRow& row : kAlbumSettingSchema) {
            if (const TextSetting* text = std::get_if<TextSetting>(&row.member))
                expected.*(*text) = OnOneLine(expected.*(*text));
        }
        if (!(after == expected)) std::abort();
    } else if (FileBytes(path) != input) {
        std::abort();
    }
    unlink(path.c_str());
    return 0;
}
