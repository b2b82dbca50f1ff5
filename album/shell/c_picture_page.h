#pragma once

#include <string>
#include <vector>

#include "widgets/property_page.h"

struct AlbumSettings;
struct MaterialFolders;
class CFolderTree;
class CPictureList;
class FocusEdit;
class HelpButton;
class PictureBrowser;
class PictureSelection;
class PreviewFrame;
class QCheckBox;
class QPlainTextEdit;
class QPushButton;
class ShellOpener;
class UpDownControl;
class UserDialogs;

// The "ピクチャー" page: a folder tree, the pictures of the chosen folder with check boxes, a
// preview that can turn the highlighted picture, a comment box for it, the thumbnail box size and a
// help button. The album build reads the checked pictures, their comments and turns from its list
// as they stand when the create button is pressed.
class CPicturePage : public PropertyPage {
    Q_OBJECT
  public:
    // `settings`, `folders`, `shell` and `dialogs` belong to the sheet and outlive the page.
    // `program_folder` (ending in a separator, or empty) helps find the help page.
    CPicturePage(AlbumSettings& settings, const MaterialFolders& folders, ShellOpener& shell,
                 UserDialogs& dialogs, std::string program_folder = {}, QWidget* parent = nullptr);
    ~CPicturePage() override;

    // The first time: shows the sizes, opens the tree on the stored folder and lists it. Later:
    // shows the sizes again.
    void OnSetActive() override;
    // Checks and stores both sizes; a wrong size keeps the user on the page.
    bool OnKillActive() override;
    // Stores each size that is in range as the window closes; a wrong one keeps its earlier value,
    // without a message.
    void OnClosing() override;

    // Reads the width box then the height box into the thumbnail box size,
    // stopping at the first wrong value with the standard message and the focus back in that box.
    bool ValidateSizes();

    // The checked pictures with their comments and turns, for the build.
    const PictureSelection& Pictures() const;
    // After a build: the pictures of `lines` were saved over their source files as turned, so
    // their turns are spent. Clears them and shows the preview again from the new file.
    void TurnsSaved(const std::vector<int>& lines);
    CPictureList* List() const { return list_; }
    CFolderTree* Tree() const { return tree_; }
    PictureBrowser* Browser() const { return browser_; }

  private:
    void OpenHelp();
    // With "画像の説明を読み込む" ticked and the comment box empty, the box shows the shown
    // picture's stored caption as its placeholder; otherwise none.
    void ShowStoredCaption();

    AlbumSettings& settings_;
    const MaterialFolders& folders_;
    ShellOpener& shell_;
    UserDialogs& dialogs_;
    std::string program_folder_;
    bool initialised_ = false;
    bool validating_ = false;
    std::string caption_path_;  // the picture whose caption was read last, and its caption
    std::string caption_;

    CFolderTree* tree_;
    CPictureList* list_;
    QPushButton* select_all_;
    PreviewFrame* preview_;
    QPlainTextEdit* comment_;
    QCheckBox* read_captions_;
    FocusEdit* width_;
    UpDownControl* width_spin_;
    FocusEdit* height_;
    UpDownControl* height_spin_;
    QPushButton* rotate_;
    HelpButton* help_;
    PictureBrowser* browser_;
};
