#include "core/picture_outcome.h"

#include "core/path_helpers.h"
#include "platform/file_system.h"

namespace {

// What a name did not get, and what a hard link's name kept, in the words of the job's work.
const char* NotDone(PictureWork work) {
    return work == PictureWork::Turn ? "回転しませんでした" : "処理しませんでした";
}
const char* Kept(PictureWork work) {
    return work == PictureWork::Turn ? "回転せずに元のまま残しました" : "元のまま残しました";
}

}  // namespace

std::string PictureReason(const PictureOutcome& outcome, PictureWork work) {
    const char* text = PictureFailureText(outcome.failure);
    switch (outcome.failure) {
        case PictureFailure::SameFileDone:
            return text + outcome.first_name + " として処理したため、" + NotDone(work);
        case PictureFailure::SameFileKept:
            return text + outcome.first_name + " として新しいファイルに置き換えたため、この名前は" +
                   Kept(work);
        case PictureFailure::FileChanged:
            return text + std::string(NotDone(work));
        case PictureFailure::SavedAsOtherName:
            return "同じ名前のファイルがあるため、" + outcome.saved_as + " として保存しました";
        default:
            break;
    }
    const ImageKindInfo* info = FindImageKind(outcome.kind);
    if (info == nullptr) return text;
    const std::string name = info->name;
    switch (outcome.failure) {
        case PictureFailure::KindMismatch:
            return "中身は " + name + " の画像で、拡張子と合いません";
        case PictureFailure::NoDecoder:
            return name + " を読み込む機能がないため、画像を読み込めませんでした";
        case PictureFailure::NoEncoder:
            return name + " で保存する機能がないため、保存できませんでした";
        case PictureFailure::Animated:
            return "アニメーションの " + name + " には対応していません";
        case PictureFailure::SeveralImages:
            return "複数の画像を含む " + name + " には対応していません";
        default:
            return text;
    }
}

PictureOutcome SameFileOutcome(const std::string& first_source, const std::string& later) {
    const std::size_t slash = first_source.rfind(kPathSeparator);
    PictureOutcome outcome;
    outcome.first_name = slash == std::string::npos ? first_source : first_source.substr(slash + 1);
    outcome.failure = IsSameFile(first_source, later) ? PictureFailure::SameFileDone
                                                      : PictureFailure::SameFileKept;
    return outcome;
}
