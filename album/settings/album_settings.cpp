#include "album/settings/album_settings.h"

#include <vector>

#include "album/settings/album_setting_schema.h"
#include "core/path_helpers.h"
#include "platform/file_system.h"
#include "platform/profile_store.h"

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
    // The defaults are those of a default-constructed record: the members' initialisers.
    for (const AlbumSettingRow& row : kAlbumSettingSchema) {
        if (const IntSetting* f = std::get_if<IntSetting>(&row.member)) {
            settings.*(*f) = profile.ReadInt(kSettingsSection, row.key, defaults.*(*f));
        } else {
            const TextSetting t = std::get<TextSetting>(row.member);
            settings.*t = profile.ReadText(kSettingsSection, row.key, defaults.*t);
        }
    }
}

ProfileWriteStatus SaveSettings(ProfileStore& profile, const AlbumSettings& settings) {
    // One write of the whole section: a file that could take only some of the keys (a profile
    // near its size limit, a disk that fills half way) must keep its old values rather than a mix.
    std::vector<ProfileStore::Value> values;
    values.reserve(kAlbumSettingSchema.size());
    for (const AlbumSettingRow& row : kAlbumSettingSchema)
        values.push_back({row.key, SettingText(row, settings)});
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
