#include "album/style/c_style_page.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <vector>

#include "album/settings/album_setting_schema.h"
#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"
#include "album/style/c_add_theme_dialog.h"
#include "album/style/c_color_button.h"
#include "album/style/style_page_ids.h"
#include "album/style/themes/font_size_to_pixels.h"
#include "album/style/themes/material_names.h"
#include "platform/shell_opener.h"
#include "platform/user_dialogs.h"
#include "widgets/dialog_units.h"
#include "widgets/edge_anchors.h"
#include "widgets/text_fit.h"

namespace {

constexpr const char* kNoMaterial = "(なし)";

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

namespace ids = style_page_ids;

QComboBox* MakeDropDown(QWidget* parent, ControlId id) {
    auto* list = new QComboBox(parent);
    NameControl(list, id);
    list->setEditable(false);
    return list;
}

// The font sizes the three lists offer, one row each in ascending order.
constexpr NumberRange kSizeRange = RangeOf(&AlbumSettings::size_title);
static_assert(RangeOf(&AlbumSettings::size_comment) == kSizeRange &&
                  RangeOf(&AlbumSettings::size_thumb) == kSizeRange,
              "the three size lists are made alike");

QComboBox* MakeSizeList(QWidget* parent, ControlId id) {
    QComboBox* list = MakeDropDown(parent, id);
    for (int size = kSizeRange.low; size <= kSizeRange.high; ++size)
        list->addItem(QString::number(size));
    list->setCurrentIndex(-1);
    return list;
}

QPushButton* MakeButton(QWidget* parent, ControlId id, const char* text) {
    auto* button = new QPushButton(QString::fromUtf8(text), parent);
    NameControl(button, id);
    button->setAutoDefault(false);
    return button;
}

// A hidden frame that only gives the rectangle a preview sample is centred on.
QFrame* MakePlacementFrame(QWidget* parent, ControlId id) {
    auto* frame = new QFrame(parent);
    NameControl(frame, id);
    frame->setFrameShape(QFrame::Box);
    frame->hide();
    return frame;
}

}  // namespace

CStylePage::CStylePage(AlbumSettings& settings, const MaterialFolders& folders, ShellOpener& shell,
                       UserDialogs& dialogs, QWidget* parent)
    : PropertyPage(QStringLiteral("スタイル"), parent),
      settings_(settings),
      folders_(folders),
      shell_(shell),
      dialogs_(dialogs) {
    NameControl(this, ids::kPage);
    setFont(DialogFont());
    title_prompt_ = [this](const ThemeList& themes) -> std::optional<std::string> {
        CAddThemeDialog dialog(themes, dialogs_, this);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Title();
    };
    rename_prompt_ = [this](const ThemeList& themes,
                            std::size_t index) -> std::optional<std::string> {
        CAddThemeDialog dialog(themes, dialogs_, this);
        dialog.SetRenamedTheme(index);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Title();
    };
    BuildControls();
}

CStylePage::~CStylePage() = default;

void CStylePage::BuildControls() {
    const DialogUnits du(font());
    setMinimumSize(du.ToPixels(0, 0, 250, 229).size());

    // A larger window widens the preview and the three material lists and makes the preview and
    // the theme list taller; the colour rows below them move down with the bottom edge. No list
    // ever gets narrower than it opens.
    auto* anchors = new EdgeAnchors(this, du.ToPixels(0, 0, 250, 229).size());
    std::vector<QWidget*> below;      // follows the bottom edge
    std::vector<QWidget*> materials;  // follows the bottom edge and grows to the right

    // Group boxes first, so that the controls drawn inside them lie above them and get the clicks.
    auto group = [&](const char* text, int x, int y, int w, int h) {
        auto* box = new QGroupBox(QString::fromUtf8(text), this);
        du.Place(box, x, y, w, h);
        return box;
    };
    below.push_back(group("色と文字サイズ", 7, 104, 131, 118));
    materials.push_back(group("壁紙", 140, 104, 103, 38));
    materials.push_back(group("仕切り", 140, 144, 103, 38));
    materials.push_back(group("BGM", 140, 184, 103, 38));
    auto label = [&](const char* text, int x, int y, int w, int h,
                     Qt::Alignment align = Qt::AlignLeft) {
        auto* l = new QLabel(QString::fromUtf8(text), this);
        l->setAlignment(align | Qt::AlignVCenter);
        du.Place(l, x, y, w, h);
        FitText(l);
        return l;
    };

    preview_ = new QFrame(this);
    NameControl(preview_, ids::kPreview);
    preview_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    preview_->setLineWidth(1);
    du.Place(preview_, 112, 7, 131, 96);
    preview_->installEventFilter(this);

    QLabel* theme_label = label("コーディネートテーマ：", 7, 7, 86, 8);
    theme_list_ = new QListWidget(this);
    theme_label->setBuddy(theme_list_);
    NameControl(theme_list_, ids::kThemeList);
    theme_list_->setSelectionMode(QAbstractItemView::SingleSelection);
    theme_list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    du.Place(theme_list_, 7, 18, 97, 62);
    theme_list_->setContextMenuPolicy(Qt::CustomContextMenu);
    theme_list_->viewport()->installEventFilter(this);
    add_theme_ = MakeButton(this, ids::kAddThemeButton, "現在の設定をテーマに追加...");
    du.Place(add_theme_, 7, 85, 97, 14);
    FitText(add_theme_);

    // Each row's label is also what the platforms that read a drop-down list's choice as its
    // name (Linux) announce with the row's size list.
    below.push_back(label("色", 89, 117, 16, 8));
    below.push_back(label("サイズ", 103, 117, 29, 8, Qt::AlignHCenter));
    QLabel* title_size_label = label("HTMLのタイトル：", 15, 130, 57, 8);
    below.push_back(title_size_label);
    title_colour_ = new CColorButton(ids::kTitleColorButton, this);
    du.Place(title_colour_, 81, 128, 21, 14);
    title_size_ = MakeSizeList(this, ids::kTitleSizeList);
    du.Place(title_size_, 107, 128, 24, 14);
    title_size_label->setBuddy(title_size_);
    QLabel* comment_size_label = label("タイトル行の下の文：", 14, 153, 61, 8);
    below.push_back(comment_size_label);
    comment_colour_ = new CColorButton(ids::kDescriptionColorButton, this);
    du.Place(comment_colour_, 81, 150, 21, 14);
    comment_size_ = MakeSizeList(this, ids::kDescriptionSizeList);
    du.Place(comment_size_, 107, 150, 24, 14);
    comment_size_label->setBuddy(comment_size_);
    QLabel* thumb_size_label = label("サムネイルのコメント：", 14, 176, 65, 8);
    below.push_back(thumb_size_label);
    thumb_colour_ = new CColorButton(ids::kThumbCommentColorButton, this);
    du.Place(thumb_colour_, 81, 173, 21, 14);
    thumb_size_ = MakeSizeList(this, ids::kThumbCommentSizeList);
    du.Place(thumb_size_, 107, 173, 24, 14);
    thumb_size_label->setBuddy(thumb_size_);
    below.push_back(label("背景：", 14, 199, 28, 8));
    bg_colour_ = new CColorButton(ids::kBackgroundColorButton, this);
    du.Place(bg_colour_, 81, 196, 21, 14);

    // Creation order is the tab order: each material's list, then the button that opens it.
    wallpaper_ = MakeDropDown(this, ids::kWallpaperList);
    du.Place(wallpaper_, 148, 118, 70, 14);
    view_wallpaper_ = MakeButton(this, ids::kWallpaperViewButton, "見る");
    du.Place(view_wallpaper_, 220, 118, 19, 14);
    rule_ = MakeDropDown(this, ids::kRuleList);
    du.Place(rule_, 148, 158, 70, 14);
    view_rule_ = MakeButton(this, ids::kRuleViewButton, "見る");
    du.Place(view_rule_, 220, 158, 19, 14);
    music_ = MakeDropDown(this, ids::kMusicList);
    du.Place(music_, 148, 199, 70, 14);
    listen_ = MakeButton(this, ids::kMusicListenButton, "聴く");
    du.Place(listen_, 220, 199, 19, 14);

    title_frame_ = MakePlacementFrame(this, ids::kTitleSample);
    du.Place(title_frame_, 134, 22, 84, 14);
    description_frame_ = MakePlacementFrame(this, ids::kDescriptionSample);
    du.Place(description_frame_, 134, 48, 84, 14);
    comment_frame_ = MakePlacementFrame(this, ids::kThumbCommentSample);
    du.Place(comment_frame_, 134, 74, 84, 14);

    anchors->Follow(preview_, kGrowBoth);
    anchors->Follow(theme_list_, {0, 0, 0, 1});
    anchors->Follow(add_theme_, kFollowBottom);
    below.insert(below.end(), {title_colour_, title_size_, comment_colour_, comment_size_,
                               thumb_colour_, thumb_size_, bg_colour_});
    for (QWidget* control : below) anchors->Follow(control, kFollowBottom);
    materials.insert(materials.end(), {wallpaper_, rule_, music_});
    for (QWidget* control : materials) anchors->Follow(control, {0, 1, 1, 1});
    for (QWidget* button : {listen_, view_rule_, view_wallpaper_})
        anchors->Follow(button, kFollowCorner);
    // The samples stay centred across the preview, each at its share of the preview's height.
    const QRect box = preview_->geometry();
    for (QFrame* frame : {title_frame_, description_frame_, comment_frame_}) {
        const double share = (frame->geometry().center().y() - box.top()) /
                             static_cast<double>(std::max(1, box.height()));
        anchors->Follow(frame, {0.5, share, 0.5, share});
    }

    // Both signals: the index signal also catches a selection made by a program (a test, an
    // accessibility tool), "activated" catches the user choosing the row that was already shown.
    auto on_size = [this](QComboBox* list, int& field) {
        connect(list, &QComboBox::currentIndexChanged, this,
                [=, this, &field] { OnSizeChosen(list, field); });
        connect(list, &QComboBox::activated, this,
                [=, this, &field] { OnSizeChosen(list, field); });
    };
    on_size(title_size_, settings_.size_title);
    on_size(comment_size_, settings_.size_comment);
    on_size(thumb_size_, settings_.size_thumb);
    auto on_material = [this](QComboBox* list, std::string& field) {
        connect(list, &QComboBox::currentIndexChanged, this,
                [=, this, &field] { OnMaterialChosen(list, field); });
        connect(list, &QComboBox::activated, this,
                [=, this, &field] { OnMaterialChosen(list, field); });
    };
    on_material(wallpaper_, settings_.name_bg);
    on_material(music_, settings_.name_bgm);
    on_material(rule_, settings_.name_hr);

    connect(view_wallpaper_, &QPushButton::clicked, this,
            [this] { OnOpenMaterial(folders_.wallpaper, settings_.name_bg); });
    connect(view_rule_, &QPushButton::clicked, this,
            [this] { OnOpenMaterial(folders_.rule, settings_.name_hr); });
    connect(listen_, &QPushButton::clicked, this,
            [this] { OnOpenMaterial(folders_.sound, settings_.name_bgm); });
    connect(theme_list_, &QListWidget::itemSelectionChanged, this, &CStylePage::OnThemeSelected);
    connect(add_theme_, &QPushButton::clicked, this, &CStylePage::OnAddTheme);
    connect(theme_list_, &QListWidget::customContextMenuRequested, this,
            &CStylePage::ShowThemeMenu);
}

void CStylePage::OnSetActive() {
    InitialiseOnce();
}

bool CStylePage::OnKillActive() {
    return true;
}

void CStylePage::showEvent(QShowEvent* event) {
    InitialiseOnce();
    PropertyPage::showEvent(event);
}

void CStylePage::InitialiseOnce() {
    if (initialised_) return;
    initialised_ = true;

    FillMaterialList(wallpaper_, folders_.wallpaper);
    FillMaterialList(rule_, folders_.rule);
    FillMaterialList(music_, folders_.sound);

    // An installed copy's theme folder belongs to the system: the user's own themes then live in
    // the user's data folder, and are listed after the shipped ones.
    user_theme_folder_ = ChooseUserThemeFolder(folders_.theme, UserThemeDataFolder());
    themes_.clear();
    for (ListedTheme& listed : LoadListedThemes(folders_.theme, user_theme_folder_)) {
        themes_.push_back(std::move(listed.theme));
        origins_.push_back(listed.own ? ThemeOrigin::Stored : ThemeOrigin::Shipped);
    }
    refreshing_ = true;
    for (std::size_t i = 0; i < themes_.size(); ++i) {
        auto* row = new QListWidgetItem(ToQString(themes_[i].title), theme_list_);
        row->setData(Qt::UserRole, static_cast<int>(i));
    }
    refreshing_ = false;

    // The saved theme index is never used to preselect a row; it is marked as unused.
    settings_.currect_theme = -1;
    RefreshStyleControls();
}

void CStylePage::FillMaterialList(QComboBox* list, const std::string& folder) {
    // The list's change handler is already connected: the first row added becomes the current
    // one and would store "(なし)" over the name the profile gave, before that name is shown.
    const QSignalBlocker quiet(list);
    list->clear();
    list->addItem(QString::fromUtf8(kNoMaterial), QByteArray());
    for (const std::string& name : ListMaterialNames(folder)) {
        list->addItem(ToQString(name),
                      QByteArray(name.data(), static_cast<qsizetype>(name.size())));
    }
    list->setCurrentIndex(0);
    FitText(list);
}

void CStylePage::SelectMaterial(QComboBox* list, const std::string& name) {
    int row = 0;
    if (!name.empty()) {
        for (int i = 1; i < list->count(); ++i) {
            if (SameMaterialName(list->itemData(i).toByteArray().toStdString(), name)) {
                row = i;
                break;
            }
        }
    }
    list->setCurrentIndex(row);
}

void CStylePage::RefreshStyleControls() {
    refreshing_ = true;
    title_colour_->SetColor(settings_.color_title);
    comment_colour_->SetColor(settings_.color_commen);
    thumb_colour_->SetColor(settings_.color_thumb);
    bg_colour_->SetColor(settings_.color_bg);

    auto show_size = [](QComboBox* list, int size) {
        list->setCurrentIndex(kSizeRange.Contains(size) ? size - kSizeRange.low : -1);
    };
    show_size(title_size_, settings_.size_title);
    show_size(comment_size_, settings_.size_comment);
    show_size(thumb_size_, settings_.size_thumb);

    // Only the list's row follows the name; a name the folder lacks stays in the settings.
    SelectMaterial(music_, settings_.name_bgm);
    SelectMaterial(wallpaper_, settings_.name_bg);
    SelectMaterial(rule_, settings_.name_hr);
    refreshing_ = false;
    InvalidatePreview();
}

void CStylePage::OnColorChanged(const CColorButton* button, int colour) {
    if (button == title_colour_) {
        settings_.color_title = colour;
    } else if (button == bg_colour_) {
        settings_.color_bg = colour;
    } else if (button == comment_colour_) {
        settings_.color_commen = colour;
    } else if (button == thumb_colour_) {
        settings_.color_thumb = colour;
    }
    ClearThemeSelection();
    InvalidatePreview();
}

void CStylePage::OnSizeChosen(QComboBox* list, int& field) {
    if (refreshing_) return;
    const int row = list->currentIndex();
    if (row < 0) return;
    field = kSizeRange.low + row;
    ClearThemeSelection();
    InvalidatePreview();
}

void CStylePage::OnMaterialChosen(QComboBox* list, std::string& field) {
    if (refreshing_) return;
    const int row = list->currentIndex();
    if (row < 0) return;
    field = row == 0 ? std::string() : list->itemData(row).toByteArray().toStdString();
    ClearThemeSelection();
}

void CStylePage::OnOpenMaterial(const std::string& folder, const std::string& name) {
    if (name.empty()) return;
    shell_.OpenWithShell(folder + name);
}

void CStylePage::OnThemeSelected() {
    if (refreshing_) return;
    const QList<QListWidgetItem*> selected = theme_list_->selectedItems();
    if (selected.isEmpty()) return;
    const int index = selected.front()->data(Qt::UserRole).toInt();
    if (index < 0 || index >= static_cast<int>(themes_.size())) return;
    ApplyTheme(themes_[static_cast<std::size_t>(index)], settings_);
    RefreshStyleControls();
}

void CStylePage::OnAddTheme() {
    // A material name the line format cannot hold is reported before a title is asked for, so the
    // user does not type a title for a theme that cannot be kept.
    if (auto problem = ThemeStorageProblem(CaptureTheme(std::string(), settings_))) {
        dialogs_.ShowMessage(*problem, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    // Nor is a title asked for when the user's file has no room left even for a nameless theme.
    if (!UserThemeFileHasRoomFor(user_theme_folder_, CaptureTheme(std::string(), settings_))) {
        ReportFullUserFile();
        return;
    }
    std::optional<std::string> title = title_prompt_(themes_);
    if (!title) return;
    CoordinateTheme theme = CaptureTheme(*title, settings_);
    if (auto problem = ThemeStorageProblem(theme)) {
        dialogs_.ShowMessage(*problem, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    // A line beyond what the list reads would be gone at the next start, without a word: the
    // theme is refused instead, before it shows in the list.
    if (!UserThemeFileHasRoomFor(user_theme_folder_, theme)) {
        ReportFullUserFile();
        return;
    }

    themes_.push_back(theme);
    origins_.push_back(ThemeOrigin::Stored);
    refreshing_ = true;
    auto* row = new QListWidgetItem(ToQString(theme.title), theme_list_);
    row->setData(Qt::UserRole, static_cast<int>(themes_.size() - 1));
    theme_list_->setCurrentItem(row);
    theme_list_->scrollToItem(row);
    refreshing_ = false;

    if (!AppendUserTheme(user_theme_folder_, theme)) {
        origins_.back() = ThemeOrigin::Unsaved;
        // The theme still works for this run; the user must know it will be gone after a restart.
        dialogs_.ShowMessage("テーマ「" + theme.title + "」をファイル " + user_theme_folder_ +
                                 kUserThemeFileName +
                                 " に保存できませんでした。\n"
                                 "このテーマは、プログラムを終了するまでの間だけ使えます。",
                             std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

bool CStylePage::IsOwnTheme(std::size_t index) const {
    return index < origins_.size() && origins_[index] != ThemeOrigin::Shipped;
}

void CStylePage::ShowThemeMenu(const QPoint& pos) {
    // `pos` is in the viewport's coordinates, for the mouse and for the menu key alike.
    const QListWidgetItem* row = theme_list_->itemAt(pos);
    if (row == nullptr) return;
    const std::size_t index = static_cast<std::size_t>(theme_list_->row(row));
    if (!IsOwnTheme(index)) return;
    auto* menu = new QMenu(theme_list_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(QStringLiteral("名前の変更...")), &QAction::triggered, this,
            [this, index] { OnRenameTheme(index); });
    connect(menu->addAction(QStringLiteral("削除")), &QAction::triggered, this,
            [this, index] { OnDeleteTheme(index); });
    menu->popup(theme_list_->viewport()->mapToGlobal(pos));
}

void CStylePage::OnRenameTheme(std::size_t index) {
    if (!IsOwnTheme(index)) return;
    std::optional<std::string> title = rename_prompt_(themes_, index);
    if (!title || *title == themes_[index].title) return;
    if (auto problem = RenamedThemeTitleProblem(*title)) {
        dialogs_.ShowMessage(*problem, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    if (origins_[index] == ThemeOrigin::Stored) {
        const UserThemeChange change = RenameUserTheme(user_theme_folder_, themes_[index], *title);
        if (change != UserThemeChange::Done) {
            ReportUnchangedFile(themes_[index].title, change);
            return;
        }
    }
    themes_[index].title = *title;
    theme_list_->item(static_cast<int>(index))->setText(ToQString(*title));
}

void CStylePage::OnDeleteTheme(std::size_t index) {
    if (!IsOwnTheme(index)) return;
    const std::string& title = themes_[index].title;
    if (dialogs_.ShowMessage("テーマ「" + title + "」を削除しますか？", std::nullopt,
                             MessageIcon::Exclamation, MessageButtons::YesNo) != MessageAnswer::Yes)
        return;
    if (origins_[index] == ThemeOrigin::Stored) {
        // A line someone else already removed is as good as deleted.
        const UserThemeChange change = DeleteUserTheme(user_theme_folder_, themes_[index]);
        if (change == UserThemeChange::NotWritten) {
            ReportUnchangedFile(title, change);
            return;
        }
    }
    // The settings keep the values of a theme that was applied; only the row goes. The list would
    // select the next row in place of a removed selected one, whose theme was never applied: a
    // selection stays only on the row that had it.
    QListWidgetItem* removed = theme_list_->item(static_cast<int>(index));
    const QList<QListWidgetItem*> selected = theme_list_->selectedItems();
    QListWidgetItem* kept =
        selected.isEmpty() || selected.front() == removed ? nullptr : selected.front();
    refreshing_ = true;
    delete theme_list_->takeItem(static_cast<int>(index));
    theme_list_->clearSelection();
    if (kept != nullptr) kept->setSelected(true);
    themes_.erase(themes_.begin() + static_cast<std::ptrdiff_t>(index));
    origins_.erase(origins_.begin() + static_cast<std::ptrdiff_t>(index));
    for (int row = static_cast<int>(index); row < theme_list_->count(); ++row) {
        theme_list_->item(row)->setData(Qt::UserRole, row);
    }
    refreshing_ = false;
}

void CStylePage::ReportUnchangedFile(const std::string& title, UserThemeChange change) {
    const std::string file = user_theme_folder_ + kUserThemeFileName;
    const std::string text =
        change == UserThemeChange::NotFound
            ? "テーマ「" + title + "」がファイル " + file +
                  " に見つかりませんでした。\n"
                  "ほかのプログラムでファイルが変更された可能性があります。テーマは変更されていま"
                  "せん。"
            : "ファイル " + file + " を書き換えられませんでした。\nテーマ「" + title +
                  "」は変更されていません。";
    dialogs_.ShowMessage(text, std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
}

void CStylePage::ReportFullUserFile() {
    dialogs_.ShowMessage("ファイル " + user_theme_folder_ + kUserThemeFileName +
                             " が大きすぎるため、これ以上テーマを追加できません。\n"
                             "使わないテーマを削除してから追加してください。",
                         std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
}

void CStylePage::ClearThemeSelection() {
    refreshing_ = true;
    theme_list_->clearSelection();
    theme_list_->setCurrentItem(nullptr);
    refreshing_ = false;
}

void CStylePage::InvalidatePreview() {
    update();
    preview_->update();
}

void CStylePage::SetColorChooser(ColorChooser chooser) {
    for (CColorButton* button : {title_colour_, comment_colour_, thumb_colour_, bg_colour_}) {
        button->SetChooser(chooser);
    }
}

bool CStylePage::event(QEvent* event) {
    if (event->type() == CColorButton::ChangedEvent::EventType()) {
        const auto* changed = static_cast<CColorButton::ChangedEvent*>(event);
        OnColorChanged(changed->Button(), changed->Colour());
        return true;
    }
    return PropertyPage::event(event);
}

bool CStylePage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == theme_list_->viewport() &&
        (event->type() == QEvent::MouseButtonPress ||
         event->type() == QEvent::MouseButtonDblClick) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        // Choosing a row applies its theme; a right click only points at the row for its menu,
        // so it moves the focus mark without choosing anything.
        const QModelIndex at =
            theme_list_->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (at.isValid()) {
            theme_list_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
        }
        return true;
    }
    if (watched == preview_ && event->type() == QEvent::Paint) {
        // The box paints the preview itself (so a grab of the box alone shows it); its sunken
        // frame is then drawn over the fill by QFrame's own paint.
        QPainter painter(preview_);
        painter.translate(-preview_->pos());
        PaintStylePreview(painter);
    }
    return PropertyPage::eventFilter(watched, event);
}

void CStylePage::paintEvent(QPaintEvent*) {
    // Painted on the page as well, so that a large sample spills over the box's edges rather than
    // being cut off there.
    QPainter painter(this);
    PaintStylePreview(painter);
}

QRect CStylePage::PreviewRect() const {
    return preview_->contentsRect().translated(preview_->pos());
}

QFont CStylePage::SampleFont(int html_size, bool bold) {
    QFont font = DialogFont();
    font.setPixelSize(FontSizeToPixels(html_size));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setItalic(false);
    font.setUnderline(false);
    return font;
}

void CStylePage::PaintStylePreview(QPainter& painter) const {
    painter.save();
    painter.fillRect(PreviewRect(), ColorRefToQColor(settings_.color_bg));
    painter.setBackgroundMode(Qt::TransparentMode);
    struct Sample {
        const char* text;
        int colour;
        int size;
        bool bold;
        const QFrame* frame;
    };
    const Sample samples[] = {
        {"タイトル", settings_.color_title, settings_.size_title, true, title_frame_},
        {"説明文", settings_.color_commen, settings_.size_comment, false, description_frame_},
        {"コメント", settings_.color_thumb, settings_.size_thumb, false, comment_frame_},
    };
    for (const Sample& sample : samples) {
        painter.setFont(SampleFont(sample.size, sample.bold));
        painter.setPen(ColorRefToQColor(sample.colour));
        painter.drawText(sample.frame->geometry(), Qt::AlignCenter | Qt::TextDontClip,
                         QString::fromUtf8(sample.text));
    }
    painter.restore();
}
