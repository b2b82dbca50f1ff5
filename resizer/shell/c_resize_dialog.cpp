#include "resizer/shell/c_resize_dialog.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QStandardItemModel>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <utility>

#include "core/path_helpers.h"
#include "core/picture_job.h"
#include "imaging/image_codec.h"
#include "imaging/picture_codec.h"
#include "platform/file_system.h"
#include "platform/shell_opener.h"
#include "platform/user_dialogs.h"
#include "resizer/job/batch_outcome.h"
#include "resizer/job/batch_resize.h"
#include "resizer/shell/c_about_dlg.h"
#include "resizer/shell/program_icon.h"
#include "resizer/shell/resize_dialog_ids.h"
#include "widgets/c_folder_dlg.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/c_progress_dlg.h"
#include "widgets/data_exchange.h"
#include "widgets/desktop_shell_opener.h"
#include "widgets/dialog_units.h"
#include "widgets/edge_anchors.h"
#include "widgets/folder_drop.h"
#include "widgets/path_text.h"
#include "widgets/picture_browser.h"
#include "widgets/preview_frame.h"
#include "widgets/text_fit.h"
#include "widgets/view_switch.h"
#include "widgets/window_placement.h"

const char* const CResizeDialog::kOriginalFolderText = "(元画像のディレクトリ)";

namespace {

namespace ids = resize_dialog_ids;

// The dialog's size in dialog units; every control below is placed on the same grid.
constexpr int kDialogWidth = 400;
constexpr int kDialogHeight = 317;

// The JPEG quality each line of the quality list stands for, best first.
constexpr int kPresetQuality[] = {100, 75, 50, 30};

// The line of the quality list that describes a quality: 100 and more is "最高画質", 75 and more
// "高画質", 30 and less "低画質", anything between "標準".
int PresetOfQuality(int quality) {
    if (quality >= 100) return 0;
    if (quality >= 75) return 1;
    if (quality <= 30) return 3;
    return 2;
}

QLabel* AddLabel(QWidget* parent, const DialogUnits& du, const QString& text, int x, int y, int w,
                 int h) {
    auto* label = new QLabel(text, parent);
    du.Place(label, x, y, w, h);
    return label;
}

// A number edit: digits only, right-aligned.
QLineEdit* AddNumberEdit(QWidget* parent, const DialogUnits& du, ControlId id, int x, int y) {
    auto* edit = new QLineEdit(parent);
    NameControl(edit, id);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    du.Place(edit, x, y, 32, 12);
    return edit;
}

QPushButton* AddButton(QWidget* parent, const DialogUnits& du, ControlId id, const QString& text,
                       int x, int y, int w, int h) {
    auto* button = new QPushButton(text, parent);
    NameControl(button, id);
    // Enter must never press a button of this dialog.
    button->setAutoDefault(false);
    button->setDefault(false);
    // A click leaves the focus where it is, so that pressing "閉じる" or "作成" does not first
    // check the edit the user was in ("作成" checks every value itself).
    button->setFocusPolicy(Qt::TabFocus);
    du.Place(button, x, y, w, h);
    return button;
}

}  // namespace

CResizeDialog::CResizeDialog(UserDialogs& dialogs, QWidget* parent, ShellOpener* shell)
    : QDialog(parent), dialogs_(dialogs), shell_(shell) {
    if (shell_ == nullptr) {
        own_shell_ = std::make_unique<DesktopShellOpener>(dialogs_);
        shell_ = own_shell_.get();
    }
    NameControl(this, ids::kDialog);
    setWindowTitle(QStringLiteral("Scalvo 1.1") + QString(9, QChar(0x3000)));
    setFont(DialogFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    folder_chooser_ = [this](const std::string& start) -> std::optional<std::string> {
        CFolderDlg chooser(this);
        chooser.SetPath(start);
        if (chooser.exec() != QDialog::Accepted) return std::nullopt;
        return chooser.GetPath();
    };
    BuildControls();
    // A folder dropped from a file manager opens in the tree; a dropped picture opens its folder
    // with its line highlighted.
    new FolderDrop(this, [this](const std::string& path) { browser_->OpenDropped(path); });
    KeepWindowPlacement(this, QStringLiteral("scalvo"));
}

CResizeDialog::~CResizeDialog() = default;

void CResizeDialog::BuildControls() {
    const DialogUnits du(font());
    const QSize opening = du.ToPixels(0, 0, kDialogWidth, kDialogHeight).size();
    auto* anchors = new EdgeAnchors(this, opening);

    // Creation order is the tab order.
    QLabel* description = AddLabel(
        this, du,
        QStringLiteral("ディレクトリ内の選択した画像ファイル（BMP,JPG）を一括でリサイズし、"
                       "指定したディレクトリにコピーします。"),
        7, 6, 386, 8);

    QLabel* tree_label = AddLabel(this, du, QStringLiteral("画像のあるﾃﾞｨﾚｸﾄﾘ："), 7, 20, 120, 8);
    tree_ = new CFolderTree(this);
    tree_label->setBuddy(tree_);
    NameControl(tree_, ids::kFolderTree);
    du.Place(tree_, 7, 30, 120, 148);

    QLabel* list_label = AddLabel(this, du, QStringLiteral("画像ﾌｧｲﾙ選択："), 133, 20, 110, 8);
    list_ = new CPictureList(this);
    NameControl(list_, ids::kFileList);
    list_label->setBuddy(list_);
    du.Place(list_, 133, 30, 110, 130);
    // The select-all button gives the view switch room at the list's right edge.
    QPushButton* select_all = AddButton(this, du, ids::kSelectAllButton,
                                        QStringLiteral("すべてを選択"), 133, 164, 92, 14);
    QToolButton* view_switch = MakeViewSwitch(list_, this, ids::kViewButton);
    du.Place(view_switch, 227, 164, 16, 14);

    QLabel* preview_label = AddLabel(this, du, QStringLiteral("ﾌﾟﾚﾋﾞｭｰ："), 249, 20, 100, 8);
    preview_ = new PreviewFrame(this);
    NameControl(preview_, ids::kPreview);
    preview_label->setBuddy(preview_);
    du.Place(preview_, 249, 30, 144, 130);
    QPushButton* rotate =
        AddButton(this, du, ids::kRotateButton, QStringLiteral("回転"), 343, 164, 50, 14);

    // Everything from here down stands below the three panes and follows the bottom edge.
    const int first_below = static_cast<int>(children().size());

    // The size rule. The group box is only a frame: the controls are the dialog's own children so
    // that they share the dialog's grid.
    auto* size_group = new QGroupBox(QStringLiteral("縮小・拡大（縦横比固定）"), this);
    du.Place(size_group, 7, 186, 250, 68);
    size_modes_ = new QButtonGroup(this);
    const struct {
        ControlId id;
        const char* text;
        int x, y, w;
    } radios[] = {
        {ids::kPercentRadio, "縮小率 ：", 15, 199, 58},
        {ids::kHeightRadio, "高さ揃える ：", 15, 215, 58},
        {ids::kWidthRadio, "幅を揃える：", 15, 231, 58},
        {ids::kBoxRadio, "高さと幅の範囲に収める", 140, 199, 112},
        {ids::kKeepSizeRadio, "サイズを変えない", 140, 215, 112},
    };
    QRadioButton* radio_buttons[5] = {};
    for (int mode = 0; mode < 5; ++mode) {
        auto* radio = new QRadioButton(QString::fromUtf8(radios[mode].text), this);
        NameControl(radio, radios[mode].id);
        du.Place(radio, radios[mode].x, radios[mode].y, radios[mode].w, 10);
        size_modes_->addButton(radio, mode);
        radio_buttons[mode] = radio;
    }
    scale_edit_ = AddNumberEdit(this, du, ids::kPercentEdit, 75, 198);
    AddLabel(this, du, QStringLiteral("％"), 110, 200, 12, 8);
    height_edit_ = AddNumberEdit(this, du, ids::kHeightEdit, 75, 214);
    AddLabel(this, du, QStringLiteral("ﾄﾞｯﾄ"), 110, 216, 20, 8);
    width_edit_ = AddNumberEdit(this, du, ids::kWidthEdit, 75, 230);
    AddLabel(this, du, QStringLiteral("ﾄﾞｯﾄ"), 110, 232, 20, 8);
    // Tab goes from each size rule's radio button straight to its own value, so the keyboard
    // follows the order in which the rule is chosen and then set.
    setTabOrder(radio_buttons[0], scale_edit_);
    setTabOrder(scale_edit_, radio_buttons[1]);
    setTabOrder(radio_buttons[1], height_edit_);
    setTabOrder(height_edit_, radio_buttons[2]);
    setTabOrder(radio_buttons[2], width_edit_);
    setTabOrder(width_edit_, radio_buttons[3]);
    setTabOrder(radio_buttons[3], radio_buttons[4]);

    // The quality sits at the right, under the preview, and keeps to the right edge.
    const int first_quality = static_cast<int>(children().size());
    auto* jpeg_group = new QGroupBox(QStringLiteral("JPEG圧縮率"), this);
    du.Place(jpeg_group, 263, 186, 130, 68);
    quality_list_ = new QComboBox(this);
    NameControl(quality_list_, ids::kQualityList);
    quality_list_->addItems({QStringLiteral("最高画質"), QStringLiteral("高画質"),
                             QStringLiteral("標準"), QStringLiteral("低画質")});
    du.Place(quality_list_, 271, 198, 70, 14);
    quality_edit_ = AddNumberEdit(this, du, ids::kQualityEdit, 271, 216);
    AddLabel(this, du, QStringLiteral("％"), 306, 218, 12, 8);
    AddLabel(this, du, QStringLiteral("※JPGﾌｧｲﾙの場合のみ有効"), 271, 236, 118, 8);
    const int after_quality = static_cast<int>(children().size());
    setTabOrder(radio_buttons[4], quality_list_);
    setTabOrder(quality_list_, quality_edit_);

    QLabel* output_label =
        AddLabel(this, du, QStringLiteral("出力先ディレクトリ："), 7, 264, 78, 8);
    output_edit_ = new QLineEdit(this);
    NameControl(output_edit_, ids::kOutputFolderEdit);
    output_label->setBuddy(output_edit_);
    du.Place(output_edit_, 86, 262, 204, 12);
    browse_button_ =
        AddButton(this, du, ids::kBrowseButton, QStringLiteral("参照..."), 296, 261, 50, 14);
    overwrite_box_ = new QCheckBox(QStringLiteral("元画像を上書きする。"), this);
    NameControl(overwrite_box_, ids::kOverwriteCheck);
    du.Place(overwrite_box_, 86, 279, 120, 10);
    // The format the pictures are saved in. A format this system cannot write is shown greyed.
    QLabel* format_label = AddLabel(this, du, QStringLiteral("出力形式："), 212, 280, 44, 8);
    format_list_ = new QComboBox(this);
    NameControl(format_list_, ids::kFormatList);
    format_label->setBuddy(format_list_);
    for (const OutputFormatChoice& choice : kOutputFormats) {
        format_list_->addItem(QString::fromUtf8(choice.label));
        if (choice.kind != kNotPicture && !ImageKindEncodable(choice.kind)) {
            if (auto* items = qobject_cast<QStandardItemModel*>(format_list_->model()))
                items->item(format_list_->count() - 1)->setEnabled(false);
        }
    }
    du.Place(format_list_, 258, 277, 88, 14);
    setTabOrder(quality_edit_, output_edit_);
    setTabOrder(output_edit_, browse_button_);
    setTabOrder(browse_button_, overwrite_box_);
    setTabOrder(overwrite_box_, format_list_);

    // This system offers no window menu that a program can extend, so the about box has its own
    // button (and the dialog's context menu).
    QPushButton* about =
        AddButton(this, du, ids::kAboutButton, QStringLiteral("バージョン情報"), 7, 296, 60, 14);
    // Beside the about box, under the overwrite box: what every written picture leaves out.
    strip_location_box_ = new QCheckBox(QStringLiteral("位置情報を削除"), this);
    NameControl(strip_location_box_, ids::kStripLocationCheck);
    du.Place(strip_location_box_, 86, 298, 120, 10);
    QPushButton* create =
        AddButton(this, du, ids::kCreateButton, QStringLiteral("作成"), 289, 296, 50, 14);
    QPushButton* close =
        AddButton(this, du, ids::kCloseButton, QStringLiteral("閉じる"), 343, 296, 50, 14);
    // The last row read from the left, as everything above it.
    setTabOrder(format_list_, about);
    setTabOrder(about, strip_location_box_);
    setTabOrder(strip_location_box_, create);
    setTabOrder(create, close);

    // The dialog opens at its layout's size, which is also its smallest. A larger window goes to
    // the three panes, the preview taking half of the new width, the list three tenths and the
    // tree the rest; the output folder's box widens, the buttons keep to their edges.
    setMinimumSize(opening);
    resize(opening);
    anchors->Follow(description, kGrowWide);
    anchors->Follow(tree_, {0, 0, 0.2, 1});
    anchors->Follow(list_label, {0.2, 0, 0.2, 0});
    anchors->Follow(list_, {0.2, 0, 0.5, 1});
    anchors->Follow(select_all, {0.2, 1, 0.5, 1});
    anchors->Follow(view_switch, {0.5, 1, 0.5, 1});
    anchors->Follow(preview_label, {0.5, 0, 0.5, 0});
    anchors->Follow(preview_, {0.5, 0, 1, 1});
    anchors->Follow(rotate, kFollowCorner);
    const QObjectList& made = children();
    for (int i = first_below; i < static_cast<int>(made.size()); ++i) {
        auto* control = qobject_cast<QWidget*>(made[i]);
        if (control == nullptr) continue;
        const bool quality = i >= first_quality && i < after_quality;
        if (control == output_edit_) {
            anchors->Follow(control, {0, 1, 1, 1});
        } else if (quality || control == browse_button_ || control == create || control == close) {
            anchors->Follow(control, kFollowCorner);
        } else {
            anchors->Follow(control, kFollowBottom);
        }
    }
    FitTexts(this);

    browser_ = new PictureBrowser(tree_, list_, preview_, nullptr, PictureFilter::Resizer, this);
    connect(browser_, &PictureBrowser::FolderChanged, this,
            [this](const std::string& folder) { settings_.sourceFolder = folder; });
    connect(select_all, &QPushButton::clicked, browser_, &PictureBrowser::SelectAllPictures);
    connect(rotate, &QPushButton::clicked, browser_, &PictureBrowser::RotatePicture);
    connect(size_modes_, &QButtonGroup::idClicked, this, &CResizeDialog::OnSizeModeClicked);
    connect(quality_list_, &QComboBox::activated, this, &CResizeDialog::OnQualityChosen);
    connect(overwrite_box_, &QCheckBox::clicked, this, &CResizeDialog::OnOverwriteClicked);
    connect(format_list_, &QComboBox::currentIndexChanged, this,
            &CResizeDialog::UpdateQualityControls);
    connect(browse_button_, &QPushButton::clicked, this, &CResizeDialog::OnBrowse);
    connect(create, &QPushButton::clicked, this, &CResizeDialog::OnCreate);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(about, &QPushButton::clicked, this, &CResizeDialog::ShowAbout);

    // Leaving an edit and pressing Enter are seen before the edit itself handles them.
    for (QWidget* watched : findChildren<QWidget*>()) watched->installEventFilter(this);
}

void CResizeDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialized_) InitDialog();
}

void CResizeDialog::InitDialog() {
    UpdateData(false);
    setWindowIcon(ScalvoIcon());
    browser_->Start(settings_.sourceFolder);
    initialized_ = true;
    UpdateModeControls();
    ShowOutputFolder();
    const std::vector<std::string> refused = browser_->OpenPaths(std::exchange(open_paths_, {}));
    if (!refused.empty()) {
        // Told once the window stands, so that the message has it behind it.
        QTimer::singleShot(0, this, [this, refused] {
            dialogs_.ShowMessage(PictureBrowser::RefusedPathsMessage(refused), std::nullopt,
                                 MessageIcon::Exclamation, MessageButtons::Ok);
        });
    }
}

bool CResizeDialog::UpdateData(bool save) {
    if (!save) {
        overwrite_box_->setChecked(settings_.overwriteOriginals);
        strip_location_box_->setChecked(settings_.stripLocation);
        SetPathText(output_edit_, settings_.outputFolder);
        format_list_->setCurrentIndex(static_cast<int>(settings_.outputFormat));
        quality_list_->setCurrentIndex(quality_preset_);
        scale_edit_->setText(QString::number(settings_.scalePercent));
        width_edit_->setText(QString::number(settings_.targetWidth));
        height_edit_->setText(QString::number(settings_.targetHeight));
        if (QAbstractButton* radio = size_modes_->button(settings_.sizeMode))
            radio->setChecked(true);
        quality_edit_->setText(QString::number(settings_.jpegQuality));
        return true;
    }

    // The focus moves that a refused value's message causes must not start another transfer.
    const bool was_transferring = transferring_;
    transferring_ = true;
    bool ok = true;
    settings_.overwriteOriginals = overwrite_box_->isChecked();
    settings_.stripLocation = strip_location_box_->isChecked();
    // Read also while disabled: while the originals are overwritten this stores the placeholder.
    settings_.outputFolder = PathText(output_edit_);
    settings_.outputFormat =
        kOutputFormats[static_cast<std::size_t>(std::max(0, format_list_->currentIndex()))].format;
    quality_preset_ = quality_list_->currentIndex();
    // Each number with its own range.
    auto exchange = [this](QLineEdit* edit, ResizerNumber member) {
        const NumberRange range = RangeOf(member);
        return ExchangeIntField(edit, settings_.*member, range.low, range.high, dialogs_);
    };
    ok = exchange(scale_edit_, &ResizerSettings::scalePercent) &&
         exchange(width_edit_, &ResizerSettings::targetWidth) &&
         exchange(height_edit_, &ResizerSettings::targetHeight);
    if (ok) {
        settings_.sizeMode = size_modes_->checkedId();
        ok = exchange(quality_edit_, &ResizerSettings::jpegQuality);
    }
    transferring_ = was_transferring;
    return ok;
}

void CResizeDialog::UpdateModeControls() {
    if (!initialized_) return;
    const int mode = settings_.sizeMode;
    scale_edit_->setEnabled(mode == ScaleByPercent);
    width_edit_->setEnabled(mode == FitWidth || mode == FitBox);
    height_edit_->setEnabled(mode == FitHeight || mode == FitBox);
    if (QAbstractButton* radio = size_modes_->button(mode)) radio->setChecked(true);
}

void CResizeDialog::OnSizeModeClicked(int mode) {
    settings_.sizeMode = mode;
    UpdateModeControls();
}

bool CResizeDialog::OnQualityEditLeft() {
    const bool ok = UpdateData(true);
    quality_preset_ = PresetOfQuality(settings_.jpegQuality);
    quality_list_->setCurrentIndex(quality_preset_);
    return ok;
}

void CResizeDialog::OnQualityChosen(int line) {
    // Only the edit changes; the fields follow at the next transfer.
    const int quality = (line >= 0 && line < 4) ? kPresetQuality[line] : 100;
    quality_edit_->setText(QString::number(quality));
}

void CResizeDialog::OnOverwriteClicked() {
    if (overwrite_box_->isChecked() &&
        output_edit_->text() != QString::fromUtf8(kOriginalFolderText)) {
        // Whatever the user typed is kept as the setting, so that unticking the box shows it again
        // instead of silently dropping it.
        settings_.outputFolder = PathText(output_edit_);
    }
    ShowOutputFolder();
}

void CResizeDialog::UpdateQualityControls() {
    // A PNG is lossless: the quality means nothing for it.
    const int line = format_list_->currentIndex();
    const bool used = line < 0 || kOutputFormats[static_cast<std::size_t>(line)].kind != kPngImage;
    quality_list_->setEnabled(used);
    quality_edit_->setEnabled(used);
}

void CResizeDialog::ShowOutputFolder() {
    const bool overwrite = overwrite_box_->isChecked();
    output_edit_->setEnabled(!overwrite);
    browse_button_->setEnabled(!overwrite);
    if (overwrite) {
        output_edit_->setText(QString::fromUtf8(kOriginalFolderText));
    } else {
        SetPathText(output_edit_, settings_.outputFolder);
    }
}

void CResizeDialog::OnBrowse() {
    if (!folder_chooser_) return;
    // The tree knows no "~": open it on the home folder the setting names.
    const std::optional<std::string> chosen = folder_chooser_(ExpandHome(settings_.outputFolder));
    if (!chosen) return;
    settings_.outputFolder = *chosen;
    SetPathText(output_edit_, *chosen);
}

void CResizeDialog::OnCreate() {
    // A refused value has been reported and has the focus: the batch does not run with it (an
    // out-of-range scale could otherwise ask for a picture far larger than memory).
    if (!UpdateData(true)) return;

    ResizerSettings job_settings = settings_;
    // Before a folder is chosen in the tree the list shows the root folder's pictures: the job
    // must read the files that are listed, not files of the current directory.
    if (job_settings.sourceFolder.empty()) job_settings.sourceFolder.assign(1, kPathSeparator);

    // The folder check may normalise the output folder (one trailing separator removed, "~/"
    // expanded); the dialog keeps what was used.
    const bool folder_ready =
        PrepareOutputFolder(job_settings, dialogs_) == OutputFolderCheck::Ready;
    settings_.outputFolder = job_settings.outputFolder;
    if (!folder_ready) {
        FocusAndSelect(output_edit_);
        return;
    }
    // Writing over the originals cannot be undone: asked first, No the default.
    const int checked = list_->CheckedCount();
    if (job_settings.overwriteOriginals && checked > 0 &&
        dialogs_.ShowMessage(OverwriteOriginalsQuestion(checked), std::nullopt,
                             MessageIcon::Exclamation,
                             MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes)
        return;
    BatchOutcome outcome;
    {
        // The list must not move under the batch, which reads it by its lines until the turns it
        // saved are cleared.
        const FolderHold hold(browser_);
        CProgressDlg progress(this);
        const BatchContext context{list_->Model(), dialogs_, progress, DefaultImageCodec()};
        outcome = RunBatch(job_settings, context);

        // A picture saved over its source now stands as the user turned it: a second "作成" must
        // not turn it again, and the preview shows the new file.
        bool shown = false;
        for (int line : outcome.saved_over_source) {
            list_->ClearQuarterTurns(line);
            shown = shown || line == browser_->Current();
        }
        if (shown) browser_->ShowPicture(browser_->Current());
    }
    if (outcome.end != BatchOutcome::End::Finished || outcome.converted == 0) return;
    std::string folder =
        job_settings.overwriteOriginals ? job_settings.sourceFolder : job_settings.outputFolder;
    EnsureTrailingSeparator(folder);
    if (dialogs_.ShowJobEnd(std::to_string(outcome.converted) + " 枚の画像を書き出しました。",
                            "出力先：" + folder, std::nullopt, MessageIcon::Information,
                            MessageButtons::Ok) == MessageAnswer::OpenFolder)
        shell_->OpenWithShell(folder);
}

void CResizeDialog::ShowAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CResizeDialog::done(int result) {
    ending_ = true;
    QDialog::done(result);
}

bool CResizeDialog::HandleEnter() {
    QWidget* focus = focusWidget();
    if (focus == width_edit_ || focus == height_edit_ || focus == scale_edit_) UpdateData(true);
    // A focused button is pressed, as Space presses it; check boxes and radio buttons are not.
    auto* button = qobject_cast<QAbstractButton*>(focus);
    if (button != nullptr && !qobject_cast<QCheckBox*>(button) &&
        !qobject_cast<QRadioButton*>(button) && button->isEnabled())
        button->animateClick();
    return true;
}

bool CResizeDialog::MayCloseOnEscape() {
    if (list_->CheckedCount() == 0 && !list_->AnyTurned()) return true;
    return dialogs_.ShowMessage(
               "チェックした画像と回転の指定は、閉じると失われます。\n"
               "Scalvo を閉じますか？",
               std::nullopt, MessageIcon::Exclamation,
               MessageButtons::YesNoDefaultNo) == MessageAnswer::Yes;
}

void CResizeDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // A press of Esc meant for something else must not cost the ticks and turns.
        event->accept();
        if (MayCloseOnEscape()) reject();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        HandleEnter();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CResizeDialog::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(QStringLiteral("Scalvo のﾊﾞｰｼﾞｮﾝ情報(&A)..."), this, &CResizeDialog::ShowAbout);
    menu.exec(event->globalPos());
}

bool CResizeDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // An open list of the combo box takes Enter as the choice of a line.
        if (enter && !(watched == quality_list_ && quality_list_->view()->isVisible())) {
            HandleEnter();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && initialized_ && !ending_ && !transferring_) {
        // Switching to another window or opening a popup is not leaving the edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool size_edit =
            watched == scale_edit_ || watched == width_edit_ || watched == height_edit_;
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            (size_edit || watched == quality_edit_)) {
            QWidget* going_to = QApplication::focusWidget();
            const bool ok = size_edit ? UpdateData(true) : OnQualityEditLeft();
            // A radio button or check box clicked while a value was refused receives its press
            // after the message has taken the release: let it spring back instead of staying
            // pressed.
            if (!ok) {
                if (auto* button = qobject_cast<QAbstractButton*>(going_to))
                    QTimer::singleShot(0, button, [button] { button->setDown(false); });
                RefocusRefusedField(this);
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
