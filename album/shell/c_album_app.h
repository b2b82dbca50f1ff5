#pragma once

#include <memory>
#include <string>
#include <vector>

#include "album/settings/material_folders.h"

class CPropSheet;
class ShellOpener;
class UserDialogs;

// The album maker's start and end: works out the material folders from the current directory,
// binds the imaging layer, builds the wizard sheet, reads the settings before any page shows them,
// and at the end saves them only when the user asked for it at the last transfer.
class CAlbumApp {
  public:
    // Where the pieces come from; the defaults are those of the real program.
    struct Options {
        std::string profile_path;     // the settings file; empty: DefaultProfilePath()
        std::string start_directory;  // empty: the current directory
        std::string program_folder;   // the executable's folder, ending in a separator, or empty
        // Folders or pictures to open at start (the command line, "Open with"), absolute.
        std::vector<std::string> open_paths;
    };

    // `dialogs` and `shell` outlive the application object.
    CAlbumApp(UserDialogs& dialogs, ShellOpener& shell, Options options);
    ~CAlbumApp();

    // Start-up; false ends the program at once.
    bool InitInstance();
    // Shutdown: saves the settings when save_param is on (a message names the file when it could
    // not take them), deletes the sheet, releases the imaging layer. Runs once; returns
    // `exit_code`.
    int ExitInstance(int exit_code = 0);

    const MaterialFolders& Folders() const { return folders_; }
    CPropSheet* Sheet() const { return sheet_.get(); }
    const std::string& ProfilePath() const { return profile_path_; }

  private:
    UserDialogs& dialogs_;
    ShellOpener& shell_;
    Options options_;
    MaterialFolders folders_;
    std::string profile_path_;
    std::unique_ptr<CPropSheet> sheet_;
    bool exited_ = false;
};
