#include "album/settings/album_settings.h"

#include <array>
#include <variant>
#include <vector>

#include "core/path_helpers.h"
#include "platform/file_system.h"
#include "platform/profile_store.h"

namespace {

using IntField = int AlbumSettings::*;
using TextField = std::string AlbumSettings::*;

// One stored field: its profile key and the member that holds it. The default is the member's
// value in a default-constructed AlbumSettings, so the struct's initialisers are the only list of
// defaults.
struct StoredField {
    const char* key;
    std::variant<IntField, TextField> field;
};

// The key is the member's own name, so a misspelt key does not compile.
#define PICTAVO_FIELD(name)         \
    StoredField {                   \
#name, &AlbumSettings::name \
    }

// Profile order; reading and writing both follow it (slide_mode comes before html_marquee).
constexpr std::array kStoredFields = {
    PICTAVO_FIELD(thumbnail_x),     PICTAVO_FIELD(thumbnail_y),     PICTAVO_FIELD(picture_path),
    PICTAVO_FIELD(html_title),      PICTAVO_FIELD(html_comment),    PICTAVO_FIELD(thumbnail_cols),
    PICTAVO_FIELD(thumbnail_rows),  PICTAVO_FIELD(html_page),       PICTAVO_FIELD(thumbnail_fname),
    PICTAVO_FIELD(thumbnail_frame), PICTAVO_FIELD(thumbnail_fsize), PICTAVO_FIELD(brws_mode),
    PICTAVO_FIELD(slide_mode),      PICTAVO_FIELD(html_marquee),    PICTAVO_FIELD(color_title),
    PICTAVO_FIELD(color_commen),    PICTAVO_FIELD(color_thumb),     PICTAVO_FIELD(color_bg),
    PICTAVO_FIELD(size_title),      PICTAVO_FIELD(size_comment),    PICTAVO_FIELD(size_thumb),
    PICTAVO_FIELD(name_bg),         PICTAVO_FIELD(name_bgm),        PICTAVO_FIELD(name_hr),
    PICTAVO_FIELD(currect_theme),   PICTAVO_FIELD(back_url),        PICTAVO_FIELD(out_dir),
    PICTAVO_FIELD(html_name),       PICTAVO_FIELD(pic_folder),      PICTAVO_FIELD(thumb_folder),
    PICTAVO_FIELD(material_folder), PICTAVO_FIELD(out_sorce),       PICTAVO_FIELD(save_param),
};

#undef PICTAVO_FIELD

static_assert(kStoredFields.size() == 33, "the profile holds 33 keys");

}  // namespace

std::string AlbumSettings::DefaultOutputFolder() {
#ifdef _WIN32
    return "C:\\MyAlbum";
#else
    return "~/MyAlbum";
#endif
}

void LoadSettings(const ProfileStore& store, AlbumSettings& settings) {
    const AlbumSettings defaults;
    // Every key from one reading of the file.
    const ProfileStore::Snapshot profile = store.Read();
    for (const StoredField& entry : kStoredFields) {
        if (const IntField* f = std::get_if<IntField>(&entry.field)) {
            settings.*(*f) = profile.ReadInt(kSettingsSection, entry.key, defaults.*(*f));
        } else {
            const TextField t = std::get<TextField>(entry.field);
            settings.*t = profile.ReadText(kSettingsSection, entry.key, defaults.*t);
        }
    }
}

ProfileWriteStatus SaveSettings(ProfileStore& profile, const AlbumSettings& settings) {
    // One write of the whole section: a file that could take only some of the keys (a profile
    // near its size limit, a disk that fills half way) must keep its old values rather than a mix.
    std::vector<ProfileStore::Value> values;
    values.reserve(kStoredFields.size());
    for (const StoredField& entry : kStoredFields) {
        if (const IntField* f = std::get_if<IntField>(&entry.field)) {
            values.push_back({entry.key, std::to_string(settings.*(*f))});
        } else {
            values.push_back({entry.key, settings.*std::get<TextField>(entry.field)});
        }
    }
    return profile.WriteSection(kSettingsSection, values);
}

std::string DefaultProfilePath() {
    return ProfileFolder() + "/Pictavo.INI";
}

std::string AlbumOutputFolder(const AlbumSettings& settings) {
    std::string folder =
        ExpandHome(settings.out_sorce != 0 ? settings.picture_path : settings.out_dir);
    EnsureTrailingSeparator(folder);
    return folder;
}
