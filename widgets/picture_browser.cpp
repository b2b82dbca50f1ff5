#include "widgets/picture_browser.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "core/path_helpers.h"
#include "imaging/picture_codec.h"
#include "platform/file_system.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/preview_frame.h"

namespace {

// Comments keep their line breaks as "\r\n" pairs (the pages turn each pair into a line break tag);
// the box shows plain "\n".
std::string BoxTextToComment(const QString& text) {
    std::string out;
    const std::string in = text.toStdString();
    out.reserve(in.size());
    for (char c : in) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

QString CommentToBoxText(const std::string& comment) {
    std::string out;
    out.reserve(comment.size());
    for (size_t i = 0; i < comment.size(); ++i) {
        if (comment[i] == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') continue;
        out += comment[i];
    }
    return QString::fromStdString(out);
}

// How long a burst of changes in the listed folder is gathered before it is read again, as the
// tree gathers its own.
constexpr int kRereadDelayMs = 200;

// Why a picture file gives no preview, in a few words that name its format: the kind its content
// is, else the kind its name promised.
QString RefusalNote(const DecodedPicture& decoded, ImageKind named) {
    const ImageKindInfo* content = FindImageKind(decoded.kind);
    const ImageKindInfo* info = content != nullptr ? content : FindImageKind(named);
    const QString kind = QString::fromUtf8(info != nullptr ? info->name : "");
    switch (decoded.refusal) {
        case PictureRefusal::kNone:
            return {};
        case PictureRefusal::kUnreadable:
            return content != nullptr
                       ? kind + QStringLiteral(" の画像を読み込めません")
                       : QStringLiteral("中身が ") + kind + QStringLiteral(" の画像ではありません");
        case PictureRefusal::kTooLarge:
            return kind + QStringLiteral(" の画像が大きすぎます");
        case PictureRefusal::kAnimated:
            return QStringLiteral("アニメーションの ") + kind + QStringLiteral(" です");
        case PictureRefusal::kSeveralImages:
            return QStringLiteral("複数の画像を含む ") + kind + QStringLiteral(" です");
        case PictureRefusal::kNoDecoder:
            return kind + QStringLiteral(" を読み込む機能がありません");
        case PictureRefusal::kOutOfMemory:
            return QStringLiteral("メモリが足りません");
    }
    return {};
}

}  // namespace

PictureBrowser::PictureBrowser(CFolderTree* tree, CPictureList* list, PreviewFrame* frame,
                               QPlainTextEdit* comment_box, PictureFilter filter, QObject* parent)
    : QObject(parent),
      tree_(tree),
      list_(list),
      frame_(frame),
      comment_box_(comment_box),
      filter_(filter),
      watcher_(new QFileSystemWatcher(this)),
      reread_timer_(new QTimer(this)) {
    connect(tree_, &CFolderTree::FolderSelected, this, [this] { OnFolderSelected(); });
    connect(tree_, &CFolderTree::Refreshed, this, &PictureBrowser::RereadFolder);
    reread_timer_->setSingleShot(true);
    reread_timer_->setInterval(kRereadDelayMs);
    connect(reread_timer_, &QTimer::timeout, this, &PictureBrowser::RereadFolder);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        if (!reread_timer_->isActive()) reread_timer_->start();
    });
    if (QWidget* window_part = list_->parentWidget()) {
        const std::pair<QKeySequence, int> turns[] = {
            {QKeySequence(Qt::CTRL | Qt::Key_R), 1},
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), 3}};
        for (const auto& [keys, quarter_turns] : turns) {
            auto* shortcut = new QShortcut(keys, window_part);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this,
                    [this, quarter_turns = quarter_turns] { TurnHighlighted(quarter_turns); });
        }
    }
    connect(list_, &CPictureList::HighlightedLineChanged, this, [this] { OnPictureChanged(); });
    frame_->SetPainter(
        [this](QPainter& painter, const QRect& area) { PaintPreview(painter, area); });
    connect(frame_, &PreviewFrame::Resized, this, &PictureBrowser::ReloadAtNewScale);
    if (comment_box_ != nullptr) {
        connect(comment_box_, &QPlainTextEdit::textChanged, this, &PictureBrowser::OnCommentEdited);
    }
}

PictureBrowser::~PictureBrowser() {
    // The frame may outlive the panel by a moment while its owner is torn down.
    if (frame_ != nullptr) frame_->SetPainter(nullptr);
}

void PictureBrowser::Start(const std::string& folder) {
    folder_ = folder;
    tree_->Init();
    tree_->SelectPath(folder_);
    list_->Init();
    list_->Fill(folder_, filter_);
    WatchFolder();
}

void PictureBrowser::WatchFolder() {
    const QStringList watched = watcher_->directories();
    if (!watched.isEmpty()) watcher_->removePaths(watched);
    reread_timer_->stop();
    // The folder the list shows (the root before any was chosen); one that cannot be watched is
    // still read again by F5.
    const std::string folder = folder_.empty() ? std::string(1, kPathSeparator) : folder_;
    watcher_->addPath(QFile::decodeName(QByteArray::fromStdString(folder)));
}

void PictureBrowser::HoldFolder(bool held) {
    holds_ = std::max(0, holds_ + (held ? 1 : -1));
    list_->HoldThumbnails(holds_ > 0);
    if (holds_ > 0) return;
    if (changed_while_held_ || reread_timer_->isActive()) RereadFolder();
}

void PictureBrowser::RereadFolder() {
    reread_timer_->stop();
    if (holds_ > 0) {
        // A job reads the list by its lines: they must not move under it.
        changed_while_held_ = true;
        return;
    }
    changed_while_held_ = false;
    const std::string shown = current_ >= 0 ? list_->ItemText(current_) : std::string();
    list_->Reread(folder_, filter_);
    if (shown.empty()) return;
    const int line = list_->Model().IndexOf(shown);
    if (line < 0) {
        // The picture shown went away (removed or renamed by another program).
        ShowPicture(-1);
        return;
    }
    current_ = line;
    if (StampOfFile(folder_ + shown) != shown_stamp_) {
        // Replaced on disk: show what the file holds now.
        LoadPreview();
        frame_->update(frame_->Area());
    }
}

void PictureBrowser::TurnHighlighted(int quarter_turns) {
    const std::vector<int> lines = list_->HighlightedLines();
    for (int line : lines) {
        for (int i = 0; i < quarter_turns; ++i) list_->AddQuarterTurn(line);
    }
    if (!image_ || std::find(lines.begin(), lines.end(), current_) == lines.end()) return;
    for (int i = 0; i < quarter_turns; ++i) {
        // Short of memory for the turned picture, the preview is made anew with every turn.
        if (!ImgKitRotation(image_)) {
            LoadPreview();
            break;
        }
    }
    frame_->update(frame_->Area());
}

void PictureBrowser::OnFolderSelected() {
    std::string path = tree_->SelectedPath();
    if (path.empty()) return;
    EnsureTrailingSeparator(path);
    // The same folder again (a click on the node already shown) keeps the list as the user left it.
    if (path == folder_) return;
    folder_ = path;
    list_->Fill(folder_, filter_);
    WatchFolder();
    ShowPicture(-1);
    emit FolderChanged(folder_);
}

void PictureBrowser::OnPictureChanged() {
    const int line = list_->ShownLine();
    if (line >= 0) ShowPicture(line);
}

void PictureBrowser::ShowPicture(int index) {
    current_ = index;
    ImgKitMemFree(image_);
    std::string comment;
    if (index >= 0) {
        LoadPreview();
        comment = list_->GetComment(index);
    }
    frame_->update(frame_->Area());
    if (comment_box_ != nullptr) comment_box_->setPlainText(CommentToBoxText(comment));
}

void PictureBrowser::LoadPreview() {
    ImgKitMemFree(image_);
    decoded_for_ = QSize();
    shown_stamp_ = FileStamp();
    note_.clear();
    if (current_ < 0 || current_ >= list_->Count()) return;
    const std::string name = list_->ItemText(current_);
    shown_stamp_ = StampOfFile(folder_ + name);
    const ImageKind kind = ImageKindOfName(name);
    const ImageKindInfo* info = FindImageKind(kind);
    if (info == nullptr || !info->decoded) return;  // a GIF is never decoded
    // Decode at the frame's scale: a JPEG is then read at the smallest DCT scale that still fills
    // the frame, a HEIF from its thumbnail when that is large enough, so a large photograph
    // previews without a full decode. Keeping the upright picture at least as wide and as high as
    // the frame is enough for every quarter turn as well.
    const QSize need = FrameSizeInPixels();
    // A damaged file (cut short, corrupt) shows as far as it decodes, the rest grey: the jobs
    // refuse it, and the preview shows the user why. A JPEG or BMP goes to its own loader, which
    // reads the file once and stops decoding at the frame's size; anything else (or a JPEG name
    // over other content) is told by its content.
    if (kind == kJpegImage || kind == kBmpImage)
        image_ = ImgKitFileLoad(folder_ + name, need.width(), need.height(), ImgKitDamage::Show);
    if (!image_) {
        DecodedPicture decoded =
            LoadPictureFile(folder_ + name, {need.width(), need.height(), ImgKitDamage::Show});
        image_ = std::move(decoded.image);
        if (!image_) note_ = RefusalNote(decoded, kind);
    }
    if (!image_) return;
    decoded_for_ = need;
    // C++'s remainder takes the sign of the count, so a negative count gives no turn at all.
    const int turns = list_->GetQuarterTurns(current_) % 4;
    for (int i = 0; i < turns; ++i) {
        // A picture that cannot be shown as turned is not shown at all, never turned wrongly.
        if (!ImgKitRotation(image_)) {
            ImgKitMemFree(image_);
            return;
        }
    }
}

QSize PictureBrowser::FrameSizeInPixels() const {
    const qreal ratio = frame_->devicePixelRatioF();
    const QRect area = frame_->Area();
    // A frame not laid out yet still gets a small decode; the resize that follows loads it again.
    return QSize(std::max(1, static_cast<int>(std::ceil(area.width() * ratio))),
                 std::max(1, static_cast<int>(std::ceil(area.height() * ratio))));
}

void PictureBrowser::PaintPreview(QPainter& painter, const QRect& area) const {
    if (image_) {
        ImgKitDisplay(painter, area, image_);
        return;
    }
    painter.fillRect(area, QColor(192, 192, 192));
    painter.setPen(Qt::black);
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(
        area, Qt::AlignCenter | Qt::TextSingleLine,
        current_ == -1 ? QStringLiteral("（なし）") : QStringLiteral("（表示できません）"));
    if (current_ != -1 && !note_.isEmpty()) {
        // The reason goes on the line below, so that the first line stays where it always is.
        const int line = painter.fontMetrics().lineSpacing();
        painter.drawText(area.adjusted(0, 2 * line, 0, 0), Qt::AlignCenter | Qt::TextWordWrap,
                         note_);
    }
}

void PictureBrowser::RotatePicture() {
    if (!image_) return;  // nothing shown, or a GIF, or a picture that could not be read
    list_->AddQuarterTurn(current_);
    // Short of memory for the turned picture, the preview is made anew with every turn.
    if (!ImgKitRotation(image_)) LoadPreview();
    frame_->update(frame_->Area());
}

void PictureBrowser::SelectAllPictures() {
    for (int i = 0; i < list_->Count(); ++i) list_->SetChecked(i, true);
}

std::vector<std::string> PictureBrowser::OpenPaths(const std::vector<std::string>& paths) {
    std::vector<std::string> refused;
    std::size_t opened = 0;
    // A path that leads nowhere is refused before it could open the folder it would have been in.
    while (opened < paths.size() && (!PathExists(paths[opened]) || !OpenDropped(paths[opened])))
        refused.push_back(paths[opened++]);
    std::vector<int> lines;
    for (std::size_t i = opened; i < paths.size(); ++i) {
        std::string path = paths[i];
        while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
        const std::size_t slash = path.rfind(kPathSeparator);
        const int line =
            slash == std::string::npos || IsDirectory(path) || path.substr(0, slash + 1) != folder_
                ? -1
                : list_->Model().IndexOf(path.substr(slash + 1));
        if (line >= 0) {
            lines.push_back(line);
        } else if (i != opened && !PathExists(path)) {
            // Another folder or a file that is no picture is passed over; a path that leads
            // nowhere is told.
            refused.push_back(paths[i]);
        }
    }
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    if (!lines.empty()) list_->Highlight(lines);
    return refused;
}

std::string PictureBrowser::RefusedPathsMessage(const std::vector<std::string>& paths) {
    std::string text = "次のファイルまたはフォルダを開けませんでした。";
    for (const std::string& path : paths) text += "\n" + path;
    return text;
}

bool PictureBrowser::OpenDropped(const std::string& dropped) {
    std::string path = dropped;
    while (path.size() > 1 && path.back() == kPathSeparator) path.pop_back();
    std::string folder = path;
    std::string name;
    if (!IsDirectory(path)) {
        const size_t slash = path.rfind(kPathSeparator);
        if (slash == std::string::npos) return false;
        folder = slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
    if (!tree_->OpenPath(folder)) return false;
    if (!name.empty()) {
        const int line = list_->Model().IndexOf(name);
        if (line >= 0) list_->Highlight(line);
    }
    return true;
}

void PictureBrowser::OnCommentEdited() {
    // Typing while no picture is shown keeps the text in the box only.
    if (current_ == -1 || comment_box_ == nullptr) return;
    list_->SetComment(current_, BoxTextToComment(comment_box_->toPlainText()));
}

void PictureBrowser::ReloadAtNewScale() {
    if (!image_) return;
    // Only a frame that grew beyond the decoded scale needs the picture read again; a smaller one
    // just draws the same pixels smaller.
    const QSize need = FrameSizeInPixels();
    if (need.width() <= decoded_for_.width() && need.height() <= decoded_for_.height()) return;
    LoadPreview();
    frame_->update(frame_->Area());
}
