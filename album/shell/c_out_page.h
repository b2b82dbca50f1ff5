#pragma once

#include <functional>
#include <string>

#include "widgets/property_page.h"

struct AlbumOutputCheck;
struct AlbumSettings;
class QCheckBox;
class QLineEdit;
class QPushButton;
class UserDialogs;

// The "作成" page: where the album goes, the names of its page file and sub-folders, the back link
// and three switches; its buttons build the album and close the program.
class COutPage : public PropertyPage {
    Q_OBJECT
  public:
    // Runs the album build on the sheet's current settings and pages.
    using BuildAction = std::function<void()>;
    // Asks the folder chooser for a folder, starting at the given one;
    // false when the user cancels.
    using FolderChooser = std::function<bool(const std::string& start, std::string& chosen)>;

    // `settings` and `dialogs` belong to the sheet and outlive the page. `build` runs the album
    // build; `close` closes the sheet (which copies the page first).
    COutPage(AlbumSettings& settings, UserDialogs& dialogs, BuildAction build,
             std::function<void()> close, QWidget* parent = nullptr);

    // Replaces the folder chooser behind "参照..." (the modal folder dialog by default).
    void SetFolderChooser(FolderChooser chooser);

    // Shows the fields in the controls; the first time also brings the enabled states and texts in
    // line with "output into the source folder".
    void OnSetActive() override;
    // Copies every control into its field; there is nothing to check, so it never refuses.
    bool OnKillActive() override;
    // Copies every control as the window closes; a name box holding a folder part or an extension
    // keeps the field's earlier name, without a message.
    void OnClosing() override;

    // Greys the output folder, its browse button and the picture folder name while "output into
    // the source folder" is ticked (the control's state), and shows the matching texts.
    void UpdateOutputControls();

    // The create button: copies the controls, checks and ensures the output folder unless the album
    // goes into the source folder, refuses thumbnails that would land among the source pictures,
    // then builds.
    void OnCreate();
    // The browse button: chooses the output folder starting from the field as last copied.
    void OnBrowse();
    // A name box lost the focus: keeps the name alone, telling the user when a path or an
    // extension had to go.
    void ValidateNameField(QLineEdit* edit, std::string& field);

  private:
    void ShowFields();
    void CopyControls();
    // Tells the user what CheckAlbumOutput refused, with the focus in the box to change (a name
    // holding a path or an extension gets the check of its box); false when nothing was refused.
    bool RefuseOutput(const AlbumOutputCheck& check);

    AlbumSettings& settings_;
    UserDialogs& dialogs_;
    BuildAction build_;
    std::function<void()> close_;
    FolderChooser chooser_;
    bool initialised_ = false;
    bool validating_ = false;

    QCheckBox* out_source_;
    QLineEdit* out_dir_;
    QPushButton* browse_;
    QLineEdit* html_name_;
    QLineEdit* pic_folder_;
    QLineEdit* thumb_folder_;
    QLineEdit* material_folder_;
    QLineEdit* back_url_;
    QCheckBox* html_only_;
    QCheckBox* strip_location_ = nullptr;
    QCheckBox* save_param_;
    QPushButton* create_;
    QPushButton* close_button_;
};
