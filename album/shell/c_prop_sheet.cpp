#include "album/shell/c_prop_sheet.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>

#include "album/generation/album_build.h"
#include "album/generation/album_pipeline.h"
#include "album/shell/c_html_page.h"
#include "album/shell/c_out_page.h"
#include "album/shell/c_picture_page.h"
#include "album/shell/prop_sheet_ids.h"
#include "album/style/c_style_page.h"
#include "core/picture_job.h"
#include "imaging/image_codec.h"
#include "platform/user_dialogs.h"
#include "widgets/c_progress_dlg.h"
#include "widgets/data_exchange.h"
#include "widgets/dialog_units.h"
#include "widgets/enter_presses_buttons.h"
#include "widgets/folder_drop.h"
#include "widgets/picture_browser.h"
#include "widgets/property_page.h"
#include "widgets/window_placement.h"

namespace {

// Every page has the size of its layout, 250 x 229 dialog units.
constexpr int kPageWidth = 250;
constexpr int kPageHeight = 229;

}  // namespace

CPropSheet::CPropSheet(const QString& caption, const MaterialFolders& folders, UserDialogs& dialogs,
                       ShellOpener& shell, std::string program_folder, QWidget* parent)
    : QWidget(parent), folders_(folders), dialogs_(dialogs), shell_(shell) {
    NameControl(this, prop_sheet_ids::kWindow);
    setWindowTitle(caption);
    setFont(DialogFont());

    tabs_ = new QTabWidget(this);
    NameControl(tabs_, prop_sheet_ids::kTabs);
    picture_page_ =
        new CPicturePage(settings_, folders_, shell_, dialogs_, std::move(program_folder));
    html_page_ = new CHtmlPage(settings_, dialogs_);
    style_page_ = new CStylePage(settings_, folders_, shell_, dialogs_);
    out_page_ = new COutPage(
        settings_, dialogs_, [this] { BuildAlbum(); }, [this] { close(); });

    const DialogUnits units(DialogFont());
    for (PropertyPage* page :
         {static_cast<PropertyPage*>(picture_page_), static_cast<PropertyPage*>(html_page_),
          style_page_, static_cast<PropertyPage*>(out_page_)}) {
        page->setMinimumSize(units.X(kPageWidth), units.Y(kPageHeight));
        tabs_->addTab(page, page->Title());
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(units.X(4), units.Y(4), units.X(4), units.Y(4));
    layout->addWidget(tabs_);

    connect(tabs_, &QTabWidget::currentChanged, this, &CPropSheet::OnTabChanged);
    new FolderDrop(this, [this](const std::string& path) { OpenDropped(path); });
    EnterPressesButtons(this);
}

CPropSheet::~CPropSheet() = default;

PropertyPage* CPropSheet::Page(int index) const {
    return qobject_cast<PropertyPage*>(tabs_->widget(index));
}

void CPropSheet::Create() {
    if (current_ < 0) {
        current_ = 0;
        SetTab(0);
        Page(0)->OnSetActive();
    }
    // It opens at the pages' layout size, which is also its smallest, unless the user left it
    // larger (or maximised) in an earlier run.
    adjustSize();
    setMinimumSize(sizeHint());
    resize(sizeHint());
    if (!KeepWindowPlacement(this, QStringLiteral("sheet"))) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    show();
}

void CPropSheet::OpenDropped(const std::string& path) {
    // The pictures are on the first page: go there as a click on its tab would (a page holding a
    // wrong value keeps the user, and the drop is left).
    if (current_ != 0) tabs_->setCurrentIndex(0);
    if (current_ == 0) picture_page_->Browser()->OpenDropped(path);
}

void CPropSheet::OpenPaths(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    if (current_ != 0) tabs_->setCurrentIndex(0);
    if (current_ != 0) return;
    const std::vector<std::string> refused = picture_page_->Browser()->OpenPaths(paths);
    if (!refused.empty()) {
        dialogs_.ShowMessage(PictureBrowser::RefusedPathsMessage(refused), std::nullopt,
                             MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void CPropSheet::SetTab(int index) {
    switching_ = true;
    tabs_->setCurrentIndex(index);
    switching_ = false;
}

void CPropSheet::OnTabChanged(int index) {
    if (switching_ || index == current_ || current_ < 0) return;
    // Bring the page being left back first, so that its check's message and the focus it puts
    // back land on a visible page; only when the page agrees does the change go through.
    const int leaving = current_;
    SetTab(leaving);
    if (!Page(leaving)->OnKillActive()) {
        // Ctrl+Tab gives the tab row the focus once the page has changed, or not.
        RefocusRefusedField(this);
        return;
    }
    current_ = index;
    Page(index)->OnSetActive();
    SetTab(index);
}

void CPropSheet::closeEvent(QCloseEvent* event) {
    // The close button, the close box and Alt+F4 all end here. What the user set on the open page
    // is kept as leaving the page would keep it, so that "save at exit" saves what is on screen; a
    // value its check refuses keeps its earlier value, and nothing holds the window open.
    if (current_ >= 0) Page(current_)->OnClosing();
    QWidget::closeEvent(event);
}

void CPropSheet::BuildAlbum() {
    // Turning the user's own photographs cannot be undone: asked first, No the default.
    const int in_place = PicturesTurnedInPlace(settings_, picture_page_->Pictures());
    if (in_place > 0 && dialogs_.ShowMessage(OverwriteOriginalsQuestion(in_place), std::nullopt,
                                             MessageIcon::Exclamation,
                                             MessageButtons::YesNoDefaultNo) != MessageAnswer::Yes)
        return;
    // The list must not move under the build, which reads it by its lines until the turns it
    // saved are cleared.
    const FolderHold hold(picture_page_->Browser());
    CProgressDlg window(this);
    ProgressSink& progress =
        progress_override_ ? *progress_override_ : static_cast<ProgressSink&>(window);
    const AlbumBuildContext context{
        settings_, picture_page_->Pictures(), folders_, dialogs_, progress,
        shell_,    DefaultImageCodec()};
    AlbumBuildReport report;
    ::BuildAlbum(context, report);
    // A picture saved turned over its source now stands as the user turned it.
    picture_page_->TurnsSaved(report.saved_over_source);
}
