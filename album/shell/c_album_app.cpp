#include "album/shell/c_album_app.h"

#include <filesystem>
#include <system_error>

#include "album/settings/album_settings.h"
#include "album/shell/c_prop_sheet.h"
#include "imaging/image_library.h"
#include "platform/profile_store.h"

namespace {

std::string CurrentDirectory() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (error) return {};
    return here.string();
}

}  // namespace

CAlbumApp::CAlbumApp(UserDialogs& dialogs, ShellOpener& shell, Options options)
    : dialogs_(dialogs), shell_(shell), options_(std::move(options)) {}

CAlbumApp::~CAlbumApp() {
    if (!exited_) ExitInstance();
}

bool CAlbumApp::InitInstance() {
    // The materials are looked for under the folder the program was started in, not beside the
    // executable, so a launcher's working folder decides where they come from.
    const std::string start =
        options_.start_directory.empty() ? CurrentDirectory() : options_.start_directory;
    folders_ = MaterialFolders::FromStartDirectory(start);

    // A missing imaging piece is reported by the check itself; the program still starts.
    ImageLibrary::Load(dialogs_);

    sheet_ = std::make_unique<CPropSheet>(QStringLiteral("Pictavo"), folders_, dialogs_, shell_,
                                          options_.program_folder);
    profile_path_ = options_.profile_path.empty() ? DefaultProfilePath() : options_.profile_path;
    // Every field is read before any page shows it.
    LoadSettings(ProfileStore(profile_path_), sheet_->Settings());
    sheet_->Create();
    return true;
}

int CAlbumApp::ExitInstance(int exit_code) {
    if (exited_) return exit_code;
    exited_ = true;
    // The fields are as the pages last copied them; closing the window copied the open page, the
    // save box's own tick included.
    if (sheet_ && sheet_->Settings().save_param != 0) {
        ProfileStore profile(profile_path_);
        SaveSettings(profile, sheet_->Settings());
    }
    sheet_.reset();
    ImageLibrary::Unload();
    return exit_code;
}
