#include "album/shell/c_out_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "album/settings/album_settings.h"
#include "album/settings/output_names.h"
#include "album/shell/focus_edit.h"
#include "album/shell/out_page_ids.h"
#include "album/shell/page_controls.h"
#include "core/path_helpers.h"
#include "platform/file_system.h"
#include "platform/user_dialogs.h"
#include "widgets/c_folder_dlg.h"
#include "widgets/path_text.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), int(text.size()));
}
std::string S(const QString& text) {
    return text.toUtf8().toStdString();
}

bool RunFolderDialog(const std::string& start, std::string& chosen) {
    CFolderDlg dialog;
    dialog.SetPath(start);
    if (dialog.exec() != QDialog::Accepted) return false;
    chosen = dialog.GetPath();
    return true;
}

}  // namespace

COutPage::COutPage(AlbumSettings& settings, UserDialogs& dialogs, BuildAction build,
                   std::function<void()> close, QWidget* parent)
    : PropertyPage(QStringLiteral("作成"), parent),
      settings_(settings),
      dialogs_(dialogs),
      build_(std::move(build)),
      close_(std::move(close)),
      chooser_(RunFolderDialog) {
    namespace ids = out_page_ids;
    NameControl(this, ids::kPage);
    PageControls c(this);
    out_source_ = c.Check(ids::kSourceCheck, QStringLiteral("元画像があるフォルダに出力する。"), 7,
                          4, 122, 10);
    QLabel* dir_label = c.Label(QStringLiteral("出力先ディレクトリ："), 7, 21, 58, 8);
    out_dir_ = c.Edit(ids::kFolderEdit, 66, 17, 135, 14);
    browse_ = c.Button(ids::kBrowseButton, QStringLiteral("参照..."), 204, 17, 30, 14);
    c.Label(QStringLiteral("※以下のファイルまたはフォルダは、出力ディレクトリ内に作成されます。"),
            15, 46, 222, 8);
    QGroupBox* names_group = c.Group(QString(), 7, 53, 235, 95);
    QLabel* html_label = c.Label(QStringLiteral("HTMLファイル名："), 31, 68, 59, 8, true);
    FocusEdit* html_name = c.Edit(ids::kHtmlNameEdit, 97, 66, 64, 14);
    c.Label(QStringLiteral(".html"), 164, 69, 24, 8);
    QLabel* pic_label = c.Label(QStringLiteral("ピクチャフォルダ名："), 13, 88, 77, 8, true,
                                ids::kPictureFolderLabel);
    FocusEdit* pic_folder = c.Edit(ids::kPictureFolderEdit, 97, 84, 64, 14);
    c.Label(QStringLiteral("（元画像のコピー）"), 164, 87, 70, 8, false, ids::kPictureFolderNote);
    QLabel* thumb_label = c.Label(QStringLiteral("サムネイルフォルダ名："), 13, 108, 77, 8, true);
    FocusEdit* thumb_folder = c.Edit(ids::kThumbFolderEdit, 97, 104, 64, 14);
    QLabel* material_label = c.Label(QStringLiteral("具材フォルダ名："), 30, 127, 60, 8, true);
    FocusEdit* material_folder = c.Edit(ids::kMaterialFolderEdit, 97, 123, 64, 14);
    c.Label(QStringLiteral("（壁紙,BGMなど）"), 164, 126, 70, 8);
    QGroupBox* back_group = c.Group(QStringLiteral("[戻る]のリンク先URL"), 7, 154, 235, 37);
    back_url_ = c.Edit(ids::kBackUrlEdit, 15, 169, 144, 14);
    html_only_ = c.Check(ids::kHtmlOnlyCheck, QStringLiteral("HTMLのみを再作成"), 7, 197, 103, 10);
    save_param_ = c.Check(ids::kSaveSettingsCheck, QStringLiteral("終了時に全ての設定を保存"), 7,
                          212, 102, 10);
    // Beside the button that publishes, where it is seen before the album is made.
    strip_location_ =
        c.Check(ids::kStripLocationCheck, QStringLiteral("位置情報を削除"), 113, 192, 75, 10);
    create_ = c.Button(ids::kCreateButton, QStringLiteral("アルバム作成"), 113, 204, 65, 18);
    close_button_ = c.Button(ids::kCloseButton, QStringLiteral("閉じる"), 181, 204, 61, 18);
    c.LowerGroups();
    // Each label is its field's spoken name too.
    for (auto [label, field] : {std::pair<QLabel*, QWidget*>{dir_label, out_dir_},
                                {html_label, html_name},
                                {pic_label, pic_folder},
                                {thumb_label, thumb_folder},
                                {material_label, material_folder}})
        label->setBuddy(field);

    // A wider window gives the folder and the address room; the two switches and the two buttons
    // of the last row stay at the bottom, the buttons in the corner.
    for (QWidget* wide :
         std::initializer_list<QWidget*>{out_dir_, names_group, back_group, back_url_})
        c.Follow(wide, kGrowWide);
    c.Follow(browse_, kFollowRight);
    c.Follow(html_only_, kFollowBottom);
    c.Follow(save_param_, kFollowBottom);
    c.Follow(strip_location_, kFollowCorner);
    c.Follow(create_, kFollowCorner);
    c.Follow(close_button_, kFollowCorner);

    html_name_ = html_name;
    pic_folder_ = pic_folder;
    thumb_folder_ = thumb_folder;
    material_folder_ = material_folder;
    const std::pair<FocusEdit*, std::string AlbumSettings::*> names[] = {
        {html_name, &AlbumSettings::html_name},
        {pic_folder, &AlbumSettings::pic_folder},
        {thumb_folder, &AlbumSettings::thumb_folder},
        {material_folder, &AlbumSettings::material_folder},
    };
    for (const auto& [edit, member] : names) {
        connect(edit, &FocusEdit::FocusLost, this,
                [this, edit = edit, member = member](Qt::FocusReason reason) {
                    // Leaving the window (another program, a message box) is not leaving the box.
                    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
                        return;
                    ValidateNameField(edit, settings_.*member);
                });
    }

    connect(out_source_, &QCheckBox::clicked, this, [this] { UpdateOutputControls(); });
    connect(browse_, &QPushButton::clicked, this, [this] { OnBrowse(); });
    connect(create_, &QPushButton::clicked, this, [this] { OnCreate(); });
    connect(close_button_, &QPushButton::clicked, this, [this] {
        if (close_) close_();
    });
}

void COutPage::SetFolderChooser(FolderChooser chooser) {
    chooser_ = std::move(chooser);
}

void COutPage::ShowFields() {
    back_url_->setText(Q(settings_.back_url));
    SetPathText(out_dir_, settings_.out_dir);
    html_name_->setText(Q(settings_.html_name));
    pic_folder_->setText(Q(settings_.pic_folder));
    thumb_folder_->setText(Q(settings_.thumb_folder));
    material_folder_->setText(Q(settings_.material_folder));
    out_source_->setChecked(settings_.out_sorce != 0);
    save_param_->setChecked(settings_.save_param != 0);
    html_only_->setChecked(settings_.html_only != 0);
    strip_location_->setChecked(settings_.strip_location != 0);
}

void COutPage::CopyControls() {
    settings_.back_url = S(back_url_->text());
    settings_.out_dir = PathText(out_dir_);
    settings_.html_name = S(html_name_->text());
    settings_.pic_folder = S(pic_folder_->text());
    settings_.thumb_folder = S(thumb_folder_->text());
    settings_.material_folder = S(material_folder_->text());
    settings_.out_sorce = out_source_->isChecked() ? 1 : 0;
    settings_.save_param = save_param_->isChecked() ? 1 : 0;
    settings_.html_only = html_only_->isChecked() ? 1 : 0;
    settings_.strip_location = strip_location_->isChecked() ? 1 : 0;
}

void COutPage::OnSetActive() {
    ShowFields();
    if (!initialised_) {
        initialised_ = true;
        UpdateOutputControls();
    }
}

bool COutPage::OnKillActive() {
    CopyControls();
    return true;
}

void COutPage::OnClosing() {
    const AlbumSettings before = settings_;
    CopyControls();
    for (std::string AlbumSettings::*name :
         {&AlbumSettings::html_name, &AlbumSettings::pic_folder, &AlbumSettings::thumb_folder,
          &AlbumSettings::material_folder}) {
        // A path or an extension would only be refused at the next start; the saved name stays
        // the last one that passed instead.
        const NameFieldResult result = CheckNameField(settings_.*name);
        settings_.*name = result.refused ? before.*name : result.name;
    }
}

void COutPage::UpdateOutputControls() {
    const bool into_source = out_source_->isChecked();
    out_dir_->setEnabled(!into_source);
    browse_->setEnabled(!into_source);
    pic_folder_->setEnabled(!into_source);
    // These are ordinary control texts: the next copy puts them into the fields, and the build
    // relies on the empty picture folder name in this mode (the copies are the sources themselves).
    if (into_source) {
        out_dir_->setText(QString::fromUtf8(kSourceFolderText));
        pic_folder_->clear();
    } else {
        SetPathText(out_dir_, settings_.out_dir);
        pic_folder_->setText(Q(settings_.pic_folder));
    }
}

void COutPage::OnCreate() {
    CopyControls();
    if (RefuseOutput(CheckAlbumOutput(settings_))) return;
    if (settings_.out_sorce == 0) {
        StripTrailingSeparator(settings_.out_dir);
        // The field keeps the folder as the user wrote it ("~/MyAlbum"); the disk is asked about
        // the folder it stands for.
        if (!EnsureFolder(ExpandHome(settings_.out_dir), true, dialogs_)) {
            out_dir_->setFocus();
            return;
        }
    }
    if (build_) build_();
}

bool COutPage::RefuseOutput(const AlbumOutputCheck& check) {
    // Each refusal is told before anything is created, with the focus in the box to change.
    QLineEdit* edit = nullptr;
    const char* message = nullptr;
    switch (check.refusal) {
        case AlbumOutputRefusal::None:
            return false;
        case AlbumOutputRefusal::NameNotAlone: {
            // The same check and message as the box losing the focus, so that the user sees the
            // name that is left before anything is built.
            const std::pair<QLineEdit*, std::string AlbumSettings::*> names[] = {
                {html_name_, &AlbumSettings::html_name},
                {pic_folder_, &AlbumSettings::pic_folder},
                {thumb_folder_, &AlbumSettings::thumb_folder},
                {material_folder_, &AlbumSettings::material_folder},
            };
            for (const auto& [box, member] : names) {
                if (member != check.name) continue;
                box->setText(Q(settings_.*member));
                ValidateNameField(box, settings_.*member);
            }
            return true;
        }
        case AlbumOutputRefusal::LocationInSources:
            dialogs_.ShowMessage(kLocationInSourcesMessage, std::nullopt, MessageIcon::Exclamation,
                                 MessageButtons::Ok);
            strip_location_->setFocus();
            return true;
        case AlbumOutputRefusal::NotAbsolute:
        case AlbumOutputRefusal::HasExtension:
            dialogs_.ShowMessage(check.refusal == AlbumOutputRefusal::NotAbsolute
                                     ? kNotAbsoluteMessage
                                     : kExtensionMessage,
                                 std::nullopt, MessageIcon::None, MessageButtons::Ok);
            out_dir_->setFocus();
            return true;
        case AlbumOutputRefusal::PicturesOverSources:
            edit = pic_folder_;
            message = kPictureFolderMessage;
            break;
        case AlbumOutputRefusal::ThumbnailsInPictureFolder:
            edit = thumb_folder_;
            message = kThumbnailFolderMessage;
            break;
        case AlbumOutputRefusal::ThumbnailFolderClash:
            edit = thumb_folder_;
            message = kFolderClashMessage;
            break;
        case AlbumOutputRefusal::MaterialFolderClash:
            edit = material_folder_;
            message = kFolderClashMessage;
            break;
    }
    dialogs_.ShowMessage(message, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
    edit->setFocus();
    edit->selectAll();
    return true;
}

void COutPage::OnBrowse() {
    std::string chosen;
    // The dialog starts from the field as last copied, not from what is typed in the box now.
    if (!chooser_ || !chooser_(ExpandHome(settings_.out_dir), chosen)) return;
    settings_.out_dir = chosen;
    SetPathText(out_dir_, settings_.out_dir);
}

void COutPage::ValidateNameField(QLineEdit* edit, std::string& field) {
    if (validating_) return;
    validating_ = true;
    const NameFieldResult result = CheckNameField(S(edit->text()));
    field = result.name;
    if (result.refused) {
        dialogs_.ShowMessage(kNameOnlyMessage, std::nullopt, MessageIcon::None, MessageButtons::Ok);
        if (edit->isVisible()) edit->setFocus();
    }
    edit->setText(Q(field));
    validating_ = false;
}
