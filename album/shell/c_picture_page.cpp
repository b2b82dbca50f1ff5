#include "album/shell/c_picture_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QToolButton>

#include "album/settings/album_setting_schema.h"
#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"
#include "album/shell/focus_edit.h"
#include "album/shell/help_button.h"
#include "album/shell/help_page.h"
#include "album/shell/page_controls.h"
#include "album/shell/picture_page_ids.h"
#include "album/shell/up_down_control.h"
#include "imaging/picture_facts.h"
#include "platform/shell_opener.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/data_exchange.h"
#include "widgets/picture_browser.h"
#include "widgets/preview_frame.h"
#include "widgets/view_switch.h"

namespace {

constexpr NumberRange kWidthRange = RangeOf(&AlbumSettings::thumbnail_x);
constexpr NumberRange kHeightRange = RangeOf(&AlbumSettings::thumbnail_y);
// The arrows' range when they are made; each takes its own box's when the page is first shown.
constexpr int kMinSize = kWidthRange.low;
constexpr int kMaxSize = kWidthRange.high;

bool MovedByUser(Qt::FocusReason reason) {
    // Only a move made by the user inside the window checks the sizes: a page change checks them
    // itself (once), and the window losing the focus to a message box or another program is not
    // the user leaving the box.
    return reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
           reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
}

}  // namespace

CPicturePage::CPicturePage(AlbumSettings& settings, const MaterialFolders& folders,
                           ShellOpener& shell, UserDialogs& dialogs, std::string program_folder,
                           QWidget* parent)
    : PropertyPage(QStringLiteral("ピクチャー"), parent),
      settings_(settings),
      folders_(folders),
      shell_(shell),
      dialogs_(dialogs),
      program_folder_(std::move(program_folder)) {
    namespace ids = picture_page_ids;
    NameControl(this, ids::kPage);
    PageControls c(this);
    const DialogUnits& du = c.Units();

    tree_ = new CFolderTree(this);
    NameControl(tree_, ids::kFolderTree);
    du.Place(tree_, 7, 4, 113, 97);

    list_ = new CPictureList(this);
    NameControl(list_, ids::kFileList);
    du.Place(list_, 7, 103, 113, 103);

    // The select-all button gives the view switch room at the list's right edge.
    select_all_ = c.Button(ids::kSelectAllButton, QStringLiteral("すべてを選択"), 7, 208, 95, 14);
    QToolButton* view_switch = MakeViewSwitch(list_, this, ids::kViewButton);
    du.Place(view_switch, 104, 208, 16, 14);

    preview_ = new PreviewFrame(this);
    NameControl(preview_, ids::kPreview);
    du.Place(preview_, 126, 4, 117, 124);
    // Creation order is the tab order: the line under the preview, read from the left, comes
    // before the comment. The box sits between the preview and the comment, whose empty
    // comments it fills.
    read_captions_ =
        c.Check(ids::kReadCaptionsCheck, QStringLiteral("画像の説明を読み込む"), 126, 129, 94, 9);
    rotate_ = c.Button(ids::kRotateButton, QStringLiteral("回転"), 221, 129, 22, 14);

    QLabel* comment_label =
        c.Label(QStringLiteral("ピクチャーに対するコメント："), 126, 138, 83, 8);
    comment_ = new QPlainTextEdit(this);
    NameControl(comment_, ids::kCommentEdit);
    comment_->setLineWrapMode(QPlainTextEdit::NoWrap);
    comment_->setTabChangesFocus(true);
    du.Place(comment_, 126, 148, 117, 36);
    comment_label->setBuddy(comment_);

    QGroupBox* size_group = c.Group(QStringLiteral("サムネイルのサイズ"), 126, 189, 97, 33);
    width_ = c.NumberEdit(ids::kThumbWidthEdit, 135, 203, 25, 14);
    width_spin_ = c.Spin(ids::kThumbWidthSpin, width_, kMinSize, kMaxSize, 161, 203, 8, 14);
    QLabel* times = c.Label(QStringLiteral("×"), 171, 207, 8, 8);
    height_ = c.NumberEdit(ids::kThumbHeightEdit, 181, 203, 25, 14);
    height_spin_ = c.Spin(ids::kThumbHeightSpin, height_, kMinSize, kMaxSize, 207, 203, 8, 14);

    help_ = new HelpButton(this);
    NameControl(help_, ids::kHelpButton);
    du.Place(help_, 228, 197, 22, 26);
    c.LowerGroups();

    // A larger window goes to the pictures: the tree and the list share the left half of the new
    // width, the preview the right half; the preview takes most of the new height, the comment box
    // the rest. The buttons and the size boxes keep their places beside what they belong to.
    constexpr double kPreviewHeight = 0.7;
    c.Follow(tree_, {0, 0, 0.5, 0.5});
    c.Follow(list_, {0, 0.5, 0.5, 1});
    c.Follow(select_all_, {0, 1, 0.5, 1});
    c.Follow(view_switch, {0.5, 1, 0.5, 1});
    c.Follow(preview_, {0.5, 0, 1, kPreviewHeight});
    c.Follow(rotate_, {1, kPreviewHeight, 1, kPreviewHeight});
    c.Follow(comment_label, {0.5, kPreviewHeight, 0.5, kPreviewHeight});
    c.Follow(read_captions_, {0.5, kPreviewHeight, 0.5, kPreviewHeight});
    c.Follow(comment_, {0.5, kPreviewHeight, 1, 1});
    for (QWidget* below : std::initializer_list<QWidget*>{size_group, width_, width_spin_, times,
                                                          height_, height_spin_})
        c.Follow(below, {0.5, 1, 0.5, 1});
    c.Follow(help_, kFollowCorner);

    browser_ = new PictureBrowser(tree_, list_, preview_, comment_, PictureFilter::Album, this);
    connect(browser_, &PictureBrowser::FolderChanged, this,
            [this](const std::string& folder) { settings_.picture_path = folder; });
    connect(select_all_, &QPushButton::clicked, browser_, &PictureBrowser::SelectAllPictures);
    // With captions read, an empty comment box shows in grey what the album will show there.
    connect(comment_, &QPlainTextEdit::textChanged, this, [this] { ShowStoredCaption(); });
    connect(read_captions_, &QCheckBox::toggled, this, [this] { ShowStoredCaption(); });
    connect(rotate_, &QPushButton::clicked, browser_, &PictureBrowser::RotatePicture);
    connect(help_, &QAbstractButton::clicked, this, [this] { OpenHelp(); });

    for (FocusEdit* box : {width_, height_}) {
        connect(box, &FocusEdit::FocusLost, this, [this](Qt::FocusReason reason) {
            // A box hidden with its page (a tab change) loses the focus too; the page change
            // checks the sizes itself, once.
            if (MovedByUser(reason) && width_->isVisible()) ValidateSizes();
        });
        connect(box, &QLineEdit::returnPressed, this, [this] { ValidateSizes(); });
    }
}

CPicturePage::~CPicturePage() {
    // The panel holds the preview picture and points at the widgets; it goes before them.
    delete browser_;
    browser_ = nullptr;
}

void CPicturePage::OnSetActive() {
    width_->setText(QString::number(settings_.thumbnail_x));
    height_->setText(QString::number(settings_.thumbnail_y));
    read_captions_->setChecked(settings_.read_captions != 0);
    ShowStoredCaption();
    if (initialised_) return;
    initialised_ = true;
    // Each level the tree selects may replace picture_path; the list then shows the folder as it
    // finally stands.
    browser_->Start(settings_.picture_path);
    width_spin_->SetRange(kWidthRange.low, kWidthRange.high);
    height_spin_->SetRange(kHeightRange.low, kHeightRange.high);
}

bool CPicturePage::OnKillActive() {
    settings_.read_captions = read_captions_->isChecked() ? 1 : 0;
    return ValidateSizes();
}

void CPicturePage::OnClosing() {
    settings_.read_captions = read_captions_->isChecked() ? 1 : 0;
    TakeIntFieldQuietly(width_, settings_.thumbnail_x, kWidthRange.low, kWidthRange.high);
    TakeIntFieldQuietly(height_, settings_.thumbnail_y, kHeightRange.low, kHeightRange.high);
}

bool CPicturePage::ValidateSizes() {
    // A message box or the focus going back may raise another focus loss; one check at a time.
    if (validating_) return false;
    validating_ = true;
    const bool ok = ExchangeIntField(width_, settings_.thumbnail_x, kWidthRange.low,
                                     kWidthRange.high, dialogs_) &&
                    ExchangeIntField(height_, settings_.thumbnail_y, kHeightRange.low,
                                     kHeightRange.high, dialogs_);
    validating_ = false;
    return ok;
}

void CPicturePage::ShowStoredCaption() {
    const int current = browser_ != nullptr ? browser_->Current() : -1;
    std::string caption;
    if (read_captions_->isChecked() && current >= 0 && comment_->document()->isEmpty()) {
        // Read once per picture shown, not per key typed.
        const std::string path = browser_->Folder() + list_->Model().ItemText(current);
        if (path != caption_path_) {
            caption_path_ = path;
            caption_ = ReadCaptionFacts(path).caption;
        }
        caption = caption_;
    }
    const QString shown = QString::fromUtf8(caption.data(), int(caption.size()));
    if (comment_->placeholderText() != shown) comment_->setPlaceholderText(shown);
}

void CPicturePage::TurnsSaved(const std::vector<int>& lines) {
    bool shown = false;
    for (int line : lines) {
        list_->ClearQuarterTurns(line);
        shown = shown || line == browser_->Current();
    }
    // A second build must not turn the picture again, nor the preview show it turned twice.
    if (shown) browser_->ShowPicture(browser_->Current());
}

const PictureSelection& CPicturePage::Pictures() const {
    return list_->Model();
}

void CPicturePage::OpenHelp() {
    shell_.OpenWithShell(FindHelpPage(folders_.start, program_folder_));
}
