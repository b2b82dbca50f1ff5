#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "resizer/job/resizer_settings.h"

class CFolderTree;
class CPictureList;
class PictureBrowser;
class PreviewFrame;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class ShellOpener;
class UserDialogs;

// The batch resizer's one dialog, which is the whole program: folder tree, picture list with check
// boxes, preview with a rotate button, the size rule, the JPEG quality, the output folder, and the
// create and close buttons. Its controls are named by resize_dialog_ids.h.
//
// Values move between the controls and ResizerSettings only through UpdateData, in a fixed order,
// so that a refused value stops the transfer at its own control and leaves the later fields as they
// were. The Enter key never closes the dialog nor presses a button that has no focus: on a focused
// button it presses it (as Space does), in the three size edits it runs a transfer, elsewhere it
// does nothing. Esc closes the dialog, after asking when pictures are ticked or turned (they would
// be lost).
//
// "作成" asks before it writes over the originals, and says at the end how many pictures it wrote,
// with a button that opens the output folder.
class CResizeDialog : public QDialog {
    Q_OBJECT
  public:
    // Asked for a folder when "参照..." is pressed: receives the folder to open on, returns the
    // chosen folder or nothing on cancel. The default runs CFolderDlg.
    using FolderChooser = std::function<std::optional<std::string>(const std::string& start)>;

    // The text the output folder's edit shows while the originals are overwritten.
    static const char* const kOriginalFolderText;

    // `dialogs` shows every message of the dialog and its job; it must outlive the dialog. `shell`
    // opens the output folder when asked at the end of a job (nullptr: the desktop's opener).
    explicit CResizeDialog(UserDialogs& dialogs, QWidget* parent = nullptr,
                           ShellOpener* shell = nullptr);
    ~CResizeDialog() override;

    // save = false: shows the fields in the controls. save = true: reads the overwrite box, the
    // output folder, the output format, the quality list, the percentage, the width, the height,
    // the radio group and the quality in this order, stopping at the first refused value (message
    // shown, focus on that control); false when a value was refused.
    bool UpdateData(bool save);
    // Enables the edits that the current size rule uses and checks its radio button; does nothing
    // before the dialog has been initialised (first shown).
    void UpdateModeControls();

    // The fields as the last transfer (or a handler) left them.
    const ResizerSettings& Settings() const { return settings_; }
    // The selected line of the quality list as last stored (0 best ... 3 low).
    int QualityPreset() const { return quality_preset_; }

    // The panel pieces, for owners and tests that drive the dialog (e.g. to change the tree's
    // roots before the dialog is first shown).
    CFolderTree* Tree() const { return tree_; }
    CPictureList* List() const { return list_; }
    PictureBrowser* Browser() const { return browser_; }

    // Replaces the folder chooser of "参照...".
    void SetFolderChooser(FolderChooser chooser) { folder_chooser_ = std::move(chooser); }
    // Folders or pictures to open when the dialog is first shown (the command line, "Open with"):
    // see PictureBrowser::OpenPaths; a message lists those that could not be opened.
    void SetOpenPaths(std::vector<std::string> paths) { open_paths_ = std::move(paths); }

    // Runs the about box modally.
    void ShowAbout();

    // Ends the dialog; later focus changes no longer transfer values.
    void done(int result) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void InitDialog();
    bool HandleEnter();
    // Esc: true when the dialog may close (nothing ticked or turned, or the user agreed).
    bool MayCloseOnEscape();
    bool OnQualityEditLeft();
    void OnQualityChosen(int line);
    void OnSizeModeClicked(int mode);
    void OnOverwriteClicked();
    void OnBrowse();
    void OnCreate();
    void ShowOutputFolder();
    void UpdateQualityControls();

    UserDialogs& dialogs_;
    ResizerSettings settings_;
    int quality_preset_ = 2;

    CFolderTree* tree_ = nullptr;
    CPictureList* list_ = nullptr;
    PreviewFrame* preview_ = nullptr;
    PictureBrowser* browser_ = nullptr;
    QButtonGroup* size_modes_ = nullptr;
    QLineEdit* scale_edit_ = nullptr;
    QLineEdit* width_edit_ = nullptr;
    QLineEdit* height_edit_ = nullptr;
    QLineEdit* quality_edit_ = nullptr;
    QComboBox* quality_list_ = nullptr;
    QLineEdit* output_edit_ = nullptr;
    QPushButton* browse_button_ = nullptr;
    QCheckBox* strip_location_box_ = nullptr;
    QCheckBox* overwrite_box_ = nullptr;
    QComboBox* format_list_ = nullptr;

    FolderChooser folder_chooser_;
    std::unique_ptr<ShellOpener> own_shell_;
    ShellOpener* shell_;
    std::vector<std::string> open_paths_;
    bool initialized_ = false;
    bool transferring_ = false;  // a transfer (and its message) is under way: focus moves it makes
                                 // must not start another one
    bool ending_ = false;
};
