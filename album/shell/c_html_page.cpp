#include "album/shell/c_html_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include "album/settings/album_setting_schema.h"
#include "album/settings/album_settings.h"
#include "album/shell/focus_edit.h"
#include "album/shell/html_page_ids.h"
#include "album/shell/page_controls.h"
#include "album/shell/up_down_control.h"
#include "widgets/data_exchange.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), int(text.size()));
}
std::string S(const QString& text) {
    return text.toUtf8().toStdString();
}

constexpr NumberRange kColsRange = RangeOf(&AlbumSettings::thumbnail_cols);
constexpr NumberRange kRowsRange = RangeOf(&AlbumSettings::thumbnail_rows);
// The arrows' range when they are made; each takes its own box's when the page is first shown.
constexpr int kMinCount = kColsRange.low;
constexpr int kMaxCount = kColsRange.high;

}  // namespace

CHtmlPage::CHtmlPage(AlbumSettings& settings, UserDialogs& dialogs, QWidget* parent)
    : PropertyPage(QStringLiteral("HTML"), parent), settings_(settings), dialogs_(dialogs) {
    namespace ids = html_page_ids;
    NameControl(this, ids::kPage);
    PageControls c(this);
    QGroupBox* title_group = c.Group(QStringLiteral("HTMLタイトル"), 7, 3, 236, 36);
    title_ = c.Edit(ids::kTitleEdit, 13, 17, 220, 14);
    comment_ = c.Edit(ids::kDescriptionEdit, 13, 57, 219, 14);
    QGroupBox* comment_group = c.Group(QStringLiteral("タイトル行の下の説明文"), 7, 43, 236, 43);
    // Creation order is the tab order, which reads the page from the top left: the switch under
    // the description comes before the thumbnail frame below it.
    marquee_ =
        c.Check(ids::kMarqueeCheck, QStringLiteral("MARQUEE使用（IE4以上）"), 141, 74, 91, 10);
    frame_ = c.Check(ids::kFrameCheck, QStringLiteral("枠をつける"), 18, 101, 50, 10);
    fname_ = c.Check(ids::kFileNameCheck, QStringLiteral("ファイル名を表示"), 74, 101, 67, 10);
    fsize_ = c.Check(ids::kFileSizeCheck, QStringLiteral("画像サイズを表示"), 147, 101, 68, 10);
    // The field is kept and saved, but no page writer reads it, so the box is never offered.
    fsize_->hide();
    // In the hidden box's place, on the thumbnails' first line: the order they are shown in.
    date_order_ =
        c.Check(ids::kDateOrderCheck, QStringLiteral("撮影日時順に並べる"), 147, 101, 86, 10);
    QGroupBox* layout_group = c.Group(QStringLiteral("配置"), 14, 113, 219, 59);
    QLabel* cols_label = c.Label(QStringLiteral("列数："), 41, 125, 18, 8);
    cols_ = c.NumberEdit(ids::kColumnsEdit, 63, 123, 30, 14);
    cols_label->setBuddy(cols_);
    cols_spin_ = c.Spin(ids::kColumnsSpin, cols_, kMinCount, kMaxCount, 94, 123, 7, 14);
    split_ = c.Check(ids::kSplitPagesCheck,
                     QStringLiteral("サムネイルを複数のHTMLに分けて表示する。"), 45, 142, 176, 10);
    QLabel* rows_label = c.Label(QStringLiteral("1ページあたりの行数："), 73, 158, 73, 8, true);
    rows_ = c.NumberEdit(ids::kRowsEdit, 147, 154, 30, 14);
    rows_label->setBuddy(rows_);
    rows_spin_ = c.Spin(ids::kRowsSpin, rows_, kMinCount, kMaxCount, 179, 154, 7, 14);
    own_size_ = c.Radio(ids::kOwnSizeRadio, QStringLiteral("元のサイズで表示。"), 25, 190, 74, 10);
    fit_browser_ = c.Radio(ids::kFitBrowserRadio, QStringLiteral("ブラウザのサイズに合わせる。"),
                           102, 190, 105, 10);
    QGroupBox* thumb_group = c.Group(QStringLiteral("サムネイル"), 7, 89, 236, 121);
    slide_ = c.Check(ids::kSlideShowCheck, QStringLiteral("slide show ボタンをつける"), 150, 214,
                     93, 10);
    QGroupBox* click_group =
        c.Group(QStringLiteral("クリックしたときに開く元画像のサイズ："), 14, 176, 219, 29);
    // The page style shares the last line with the slide show box, on the left where the line is
    // free; like the boxes above it, it keeps its place as the page grows.
    c.Label(QStringLiteral("ページの形式："), 7, 215, 42, 8);
    classic_ = c.Radio(ids::kClassicPagesRadio, QStringLiteral("クラシック"), 51, 214, 46, 10);
    modern_ = c.Radio(ids::kModernPagesRadio, QStringLiteral("モダン"), 99, 214, 40, 10);
    c.LowerGroups();

    // A wider window gives the two texts room: the frames widen with them, and the boxes at their
    // right edges stay there. Everything else keeps its place.
    for (QWidget* wide : std::initializer_list<QWidget*>{
             title_group, title_, comment_group, comment_, thumb_group, layout_group, click_group})
        c.Follow(wide, kGrowWide);
    c.Follow(marquee_, kFollowRight);
    c.Follow(slide_, kFollowRight);

    auto* mode = new QButtonGroup(this);
    mode->addButton(own_size_, 0);
    mode->addButton(fit_browser_, 1);

    auto* style = new QButtonGroup(this);
    style->addButton(classic_, kClassicPages);
    style->addButton(modern_, kModernPages);

    connect(split_, &QCheckBox::clicked, this, [this] { UpdateRowsControls(); });
    connect(modern_, &QRadioButton::toggled, this, [this] { UpdateStyleControls(); });
}

void CHtmlPage::ShowFields() {
    title_->setText(Q(settings_.html_title));
    comment_->setText(Q(settings_.html_comment));
    frame_->setChecked(settings_.thumbnail_frame != 0);
    fname_->setChecked(settings_.thumbnail_fname != 0);
    fsize_->setChecked(settings_.thumbnail_fsize != 0);
    cols_->setText(QString::number(settings_.thumbnail_cols));
    split_->setChecked(settings_.html_page != 0);
    rows_->setText(QString::number(settings_.thumbnail_rows));
    // Any stored value other than 1 selects the first button, as a radio group shows a value it has
    // no button for by leaving the first one chosen.
    own_size_->setChecked(settings_.brws_mode != 1);
    fit_browser_->setChecked(settings_.brws_mode == 1);
    marquee_->setChecked(settings_.html_marquee != 0);
    slide_->setChecked(settings_.slide_mode != 0);
    date_order_->setChecked(settings_.date_order != 0);
    classic_->setChecked(settings_.page_style != kModernPages);
    modern_->setChecked(settings_.page_style == kModernPages);
}

void CHtmlPage::OnSetActive() {
    ShowFields();
    if (!initialised_) {
        initialised_ = true;
        cols_spin_->SetRange(kColsRange.low, kColsRange.high);
        rows_spin_->SetRange(kRowsRange.low, kRowsRange.high);
    }
    UpdateRowsControls();
    UpdateStyleControls();
}

bool CHtmlPage::OnKillActive() {
    CopyTexts();
    if (!ExchangeIntField(cols_, settings_.thumbnail_cols, kColsRange.low, kColsRange.high,
                          dialogs_))
        return false;
    // Checked even while the box is greyed: a stored 0 must be mended before the user goes on.
    if (!ExchangeIntField(rows_, settings_.thumbnail_rows, kRowsRange.low, kRowsRange.high,
                          dialogs_))
        return false;
    CopySwitches();
    return true;
}

void CHtmlPage::OnClosing() {
    CopyTexts();
    TakeIntFieldQuietly(cols_, settings_.thumbnail_cols, kColsRange.low, kColsRange.high);
    TakeIntFieldQuietly(rows_, settings_.thumbnail_rows, kRowsRange.low, kRowsRange.high);
    CopySwitches();
}

void CHtmlPage::CopyTexts() {
    settings_.html_title = S(title_->text());
    settings_.html_comment = S(comment_->text());
}

void CHtmlPage::CopySwitches() {
    settings_.html_page = split_->isChecked() ? 1 : 0;
    settings_.thumbnail_fname = fname_->isChecked() ? 1 : 0;
    settings_.thumbnail_frame = frame_->isChecked() ? 1 : 0;
    settings_.thumbnail_fsize = fsize_->isChecked() ? 1 : 0;
    settings_.brws_mode = fit_browser_->isChecked() ? 1 : 0;
    settings_.html_marquee = marquee_->isChecked() ? 1 : 0;
    settings_.slide_mode = slide_->isChecked() ? 1 : 0;
    settings_.date_order = date_order_->isChecked() ? 1 : 0;
    settings_.page_style = modern_->isChecked() ? kModernPages : kClassicPages;
}

void CHtmlPage::UpdateRowsControls() {
    const bool on = split_->isChecked();
    rows_->setEnabled(on);
    rows_spin_->setEnabled(on);
}

void CHtmlPage::UpdateStyleControls() {
    const bool classic = !modern_->isChecked();
    marquee_->setEnabled(classic);
    own_size_->setEnabled(classic);
    fit_browser_->setEnabled(classic);
}
