#include "album/shell/c_album_app.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "album/settings/album_settings.h"
#include "album/shell/c_prop_sheet.h"
#include "imaging/image_library.h"
#include "platform/profile_store.h"
#include "platform/user_dialogs.h"

namespace {

std::string CurrentDirectory() {
    std::error_code error;
    const std::filesystem::path here = std::filesystem::current_path(error);
    if (error) return {};
    return here.string();
}

// What the user is told when the settings could not be saved at exit: the file and why, so that
// the user can make room or mend the permissions before the next run.
std::string ProfileNotSavedMessage(const std::string& path, const ProfileWriteStatus& status) {
    std::string reason;
    if (status.outcome == ProfileWriteStatus::Outcome::TooLarge) {
        reason = "ファイルが大きすぎます（読み込めるのは 1 MB までです）。";
    } else if (status.error == EACCES || status.error == EPERM || status.error == EROFS) {
        reason = "ファイルへの書き込みが許可されていません。";
    } else if (status.error == ENOSPC || status.error == EDQUOT || status.error == EFBIG) {
        reason = "ディスクの空きが足りません。";
    } else if (status.error != 0) {
        reason = "error: " + std::string(std::strerror(status.error));
    }
    return "設定をファイル " + path + " に保存できませんでした。\n" +
           (reason.empty() ? "" : reason + "\n") + "今回変更した設定は保存されていません。";
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
    sheet_->OpenPaths(options_.open_paths);
    return true;
}

int CAlbumApp::ExitInstance(int exit_code) {
    if (exited_) return exit_code;
    exited_ = true;
    // The fields are as the pages last copied them; closing the window copied the open page, the
    // save box's own tick included.
    if (sheet_ && sheet_->Settings().save_param != 0) {
        ProfileStore profile(profile_path_);
        const ProfileWriteStatus status = SaveSettings(profile, sheet_->Settings());
        // The window has gone; the program ends once the user has read why nothing was kept.
        if (!status.Written()) {
            dialogs_.ShowMessage(ProfileNotSavedMessage(profile_path_, status), std::nullopt,
                                 MessageIcon::Exclamation, MessageButtons::Ok);
        }
    }
    sheet_.reset();
    ImageLibrary::Unload();
    return exit_code;
}
