#pragma once

#include <string>

#include "core/image_kind.h"

// What became of one picture of a job, in one type for both jobs: the kind of failure (if any),
// the detail its reason needs, and which of the picture's outputs its work wrote. Every failure
// line of both jobs, "<source> (ｴﾗｰ)<reason>", takes its reason from PictureReason.

// Why a picture did not work out; None when it did.
enum class PictureFailure {
    None,
    Unreadable,  // empty, damaged (its data ends early or is corrupt) or no picture of its kind
    NoMemory,    // memory ran out in any step, or the picture is larger than the process
    ProcessingFailed,  // the imaging library failed on it (an exception of its own)
    SaveFailed,        // the resized picture could not be written
    CopyFailed,        // the album's copy could not be written
    TurnedSaveFailed,  // the album's turned copy could not be written (it is copied unturned)
    ThumbnailFailed,   // the album's thumbnail could not be made or written
    TooSmall,          // the size rule leaves less than one pixel
    XmpLeftOut,        // saved whole, but without the source's XMP packet, which fits no segment
    // A later name of a file the job wrote over under its first name (PictureOutcome::first_name)
    // that still leads to that file: it shows what the first name got, and was not done again.
    SameFileDone,
    // A later name that is a hard link to a file the job replaced under its first name: the new
    // picture is a new file under the first name alone, and this name keeps the old picture.
    SameFileKept,
    // Between the read and the save over it, the file was replaced (or a link leading to it was
    // pointed elsewhere): nothing was written.
    FileChanged,
    // The failures that name a format (PictureOutcome::kind): its content is another kind than
    // its extension says; the decoder of its kind is missing here; the kind it is to be saved in
    // cannot be written here; an animation, or a file of several pictures, which no single
    // picture stands for (never cut down to its first frame).
    KindMismatch,
    NoDecoder,
    NoEncoder,
    Animated,
    SeveralImages,
    // Saved whole, but under another name (PictureOutcome::saved_as): the name its new format
    // gave it was taken, and no other file is ever replaced for it.
    SavedAsOtherName,
    // Location was to be removed, but a copy without it could not be made (a carrier that
    // cannot be read or rewritten, a file that cannot be walked): nothing was written.
    LocationLeft,
};

// What a job does to a picture it writes over, as the reasons of SameFileDone, SameFileKept and
// FileChanged say what a name did not get: the resizer resizes it, the album turns it.
enum class PictureWork { Resize, Turn };

// The fixed reason of a failure kind ("" for None). SameFileDone, SameFileKept and FileChanged
// are said whole only by PictureReason, which names the file and what was not done; NoDecoder
// only by PictureReason too, which names the format ("HEIF を読み込む機能がないため、...").
constexpr const char* PictureFailureText(PictureFailure failure) {
    switch (failure) {
        case PictureFailure::None:
            return "";
        case PictureFailure::Unreadable:
            return "画像を読み込めませんでした";
        case PictureFailure::NoMemory:
            return "メモリの確保に失敗しました";
        case PictureFailure::ProcessingFailed:
            return "画像の処理に失敗しました";
        case PictureFailure::SaveFailed:
            return "ﾌｧｲﾙの保存に失敗しました";
        case PictureFailure::CopyFailed:
            return "ﾌｧｲﾙのコピーに失敗しました";
        case PictureFailure::TurnedSaveFailed:
            return "回転した画像の保存に失敗しました";
        case PictureFailure::ThumbnailFailed:
            return "サムネイルの作成に失敗しました";
        case PictureFailure::TooSmall:
            return "縮小後の大きさが 1 ピクセル未満になります";
        case PictureFailure::XmpLeftOut:
            return "XMP が大きすぎるため、XMP を付けずに保存しました";
        case PictureFailure::SameFileDone:
        case PictureFailure::SameFileKept:
            return "同じファイルを先に ";
        case PictureFailure::FileChanged:
            return "読み込んだ後でファイルが別のファイルに置き換えられたため、";
        case PictureFailure::KindMismatch:
            return "拡張子と中身の形式が合いません";
        case PictureFailure::NoDecoder:
            return "この形式を読み込む機能がないため、画像を読み込めませんでした";
        case PictureFailure::NoEncoder:
            return "この形式で保存する機能がないため、保存できませんでした";
        case PictureFailure::Animated:
            return "アニメーションには対応していません";
        case PictureFailure::SeveralImages:
            return "複数の画像を含むファイルには対応していません";
        case PictureFailure::SavedAsOtherName:
            return "同じ名前のファイルがあるため、別の名前で保存しました";
        case PictureFailure::LocationLeft:
            return "位置情報を削除できなかったため、保存しませんでした";
    }
    return "";
}

// A JPEG saved whole but without the source's XMP packet: the picture is made, and its line says
// what it lacks.
inline constexpr const char* kXmpTooLargeReason = PictureFailureText(PictureFailure::XmpLeftOut);

struct PictureOutcome {
    PictureFailure failure = PictureFailure::None;
    // SameFileDone, SameFileKept: the file name alone (no folder) under which the job dealt with
    // the file first.
    std::string first_name = {};
    // Its work wrote its output (the album's copy, turned or as it is; the resized picture). A
    // picture whose output is its own source entry and needs no change writes nothing.
    bool output_written = false;
    bool thumbnail_written = false;     // its work wrote its thumbnail (the album's)
    bool thumbnail_2x_written = false;  // and its thumbnail for screens of twice the density
    // The format a failure names: the content's kind (KindMismatch), the kind not read
    // (NoDecoder, Animated, SeveralImages) or not written (NoEncoder).
    ImageKind kind = kNotPicture;
    // SavedAsOtherName: the file name alone it was saved under.
    std::string saved_as = {};

    bool Failed() const { return failure != PictureFailure::None; }
};

// The reason of the picture's failure line, for a job doing `work`; empty when it did not fail.
// Example: SameFileDone with first_name "a.jpg" for the album reads
// "同じファイルを先に a.jpg として処理したため、回転しませんでした"; KindMismatch with kind
// kHeifImage reads "中身は HEIF の画像で、拡張子と合いません".
std::string PictureReason(const PictureOutcome& outcome, PictureWork work);

// The outcome of a later name `later` of a file the job dealt with under its first name
// `first_source` (both paths): SameFileDone while `later` still leads to the file `first_source`
// leads to (a symbolic link to it, or a file the first name left as it was), else SameFileKept
// (a hard link: replacing the first name put a new file there only). Looks at the disk.
PictureOutcome SameFileOutcome(const std::string& first_source, const std::string& later);
