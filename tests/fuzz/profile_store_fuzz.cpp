// Feeds arbitrary bytes to the profile reader as the contents of a profile file, reads every
// setting from it, then updates one key and checks that the update took and that nothing else
// changed.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string path = ProfilePath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ProfileStore profile(path);
    AlbumSettings before;
    LoadSettings(profile, before);
    profile.ReadInt("param", "thumbnail_x", 100);
    profile.ReadText("PARAM", "html_title", "");

    // html_comment is updated in place; every other key must read exactly as before.
    const std::string value = "fuzz value 夏";
    if (profile.WriteText(kSettingsSection, "html_comment", value)) {
        if (profile.ReadText(kSettingsSection, "html_comment", "") != value) std::abort();
        AlbumSettings after;
        LoadSettings(profile, after);
        after.html_comment = before.html_comment;
        if (!(after == before)) std::abort();
    }
    unlink(path.c_str());
    return 0;
}
