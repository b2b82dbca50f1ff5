#include "widgets/picture_browser.h"

#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
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
      filter_(filter) {
    connect(tree_, &CFolderTree::FolderSelected, this, [this] { OnFolderSelected(); });
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
}

void PictureBrowser::OnFolderSelected() {
    std::string path = tree_->SelectedPath();
    if (path.empty()) return;
    EnsureTrailingSeparator(path);
    // The same folder again (a click on the node already shown) keeps the list as the user left it.
    if (path == folder_) return;
    folder_ = path;
    list_->Fill(folder_, filter_);
    ShowPicture(-1);
    emit FolderChanged(folder_);
}

void PictureBrowser::OnPictureChanged() {
    const int line = list_->FirstHighlighted();
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
    note_.clear();
    if (current_ < 0 || current_ >= list_->Count()) return;
    const std::string name = list_->ItemText(current_);
    const ImageKind kind = ImageKindOfName(name);
    const ImageKindInfo* info = FindImageKind(kind);
    if (info == nullptr || !info->decoded) return;  // a GIF is never decoded
    // Decode at the frame's scale: a JPEG is then read at the smallest DCT scale that still fills
    // the frame, a HEIF from its thumbnail when that is large enough, so a large photograph
    // previews without a full decode. Keeping the upright picture at least as wide and as high as
    // the frame is enough for every quarter turn as well.
    const QSize need = FrameSizeInPixels();
    // A damaged file (cut short, corrupt) shows as far as it decodes, the rest grey: the jobs
    // refuse it, and the preview shows the user why. A JPEG or BMP is read once, as it always is;
    // anything else (or a JPEG name over other content) by its content.
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
