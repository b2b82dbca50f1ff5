#pragma once

#include <cstdint>
#include <string>

#include "core/mul_div.h"
#include "imaging/image_codec.h"
#include "resizer/job/resizer_settings.h"

class PictureSelection;
class ProgressSink;
class UserDialogs;

// What the batch needs besides the settings. The list is read only on the calling thread; the
// pictures are converted on `workers` worker threads (0: one per processor) through `codec`, which
// must therefore take calls from several threads at once.
struct BatchContext {
    const PictureSelection& pictures;
    UserDialogs& dialogs;
    ProgressSink& progress;
    ImageCodec& codec;
    int workers = 0;
};

// One checked picture as the batch will treat it (plain data, made on the calling thread).
struct ResizePlan {
    int line = -1;                  // the picture's line in the list
    std::string source;             // source folder + name
    std::string output;             // base folder + name
    int kind = -1;                  // ImageKindOfName of the source: 1 JPEG, 3 BMP, others skipped
    int turns = 0;                  // quarter turns to apply, 0-3
    bool output_is_source = false;  // the output is the source's own entry (overwriting)
};

// What converting one picture did, as a worker reports it.
struct ResizeResult {
    bool skipped = false;            // not a JPEG or BMP: nothing done, nothing reported
    bool converted = false;          // saved resized
    std::string failure;             // the short reason when it failed, or when it was saved
                                     // without part of its metadata (kXmpTooLargeReason)
    bool saved_over_source = false;  // the converted picture replaced its source file
};

// The failure reasons of the batch's own steps, each after "<source> (ｴﾗｰ)" (the shared ones,
// memory and a library's failure, are the job driver's).
inline constexpr const char* kResizeLoadFailed = "画像を読み込めませんでした";
inline constexpr const char* kResizeSaveFailed = "ﾌｧｲﾙの保存に失敗しました";
inline constexpr const char* kResizeTooSmall = "縮小後の大きさが 1 ピクセル未満になります";
// What a picture did not get, or its name kept, when SameFileReason or ChangedFileReason says why.
inline constexpr const char* kResizeNotDone = "処理しませんでした";
inline constexpr const char* kResizeNameKept = "元のまま残しました";

// The output size of a picture of width x height (after its turns) under the settings' rule.
ImgKitSize ComputeTargetSize(const ResizerSettings& settings, int width, int height);

// What the create button's check of the output folder found.
enum class OutputFolderCheck {
    Ready,    // the batch may run
    Refused,  // the folder as given cannot be used (the user was told why); nothing was made
    NotMade,  // the user declined to make it, or it could not be made
};

// The create button's check of the output folder, run by the caller before the batch: nothing to
// check when originals are overwritten; else "~/" expanded, the folder absolute, without an
// extension and not the source folder under any name (compared by identity: a link, "..", a bind
// mount), each refusal a message with the program's name and no icon; then one trailing
// separator removed, and the folder made after asking (EnsureFolder with the question). The
// folder in `settings` is left as checked. Unless Ready the batch must not run (the caller then
// puts the focus into the output folder edit).
OutputFolderCheck PrepareOutputFolder(ResizerSettings& settings, UserDialogs& dialogs);

// The refusal of an output folder that is the source folder: writing there would replace the
// originals, which only "元画像を上書きする。" (--overwrite) asks for.
inline constexpr const char* kOutputIsSourceMessage =
    "出力ディレクトリは元画像のフォルダとは別のフォルダを指定してください。";

// Bytes that converting `plan` holds at its peak (decoded, turned and resized pictures), from the
// header of its source read through `codec` (`upright` receives the size read, {0, 0} when
// unreadable).
std::int64_t ResizePictureBytes(const ResizerSettings& settings, const ResizePlan& plan,
                                ImageCodec& codec, ImgKitSize& upright);

// Converts one planned picture: its failure is a reason in the result (a bad_alloc, memory that
// ran out in any step after the load, or a library's exception goes up to the job driver).
// `upright` is its size from the header when already read
// ({0, 0}: read it here). Safe to call on a worker thread: it reads only its arguments.
ResizeResult ResizePlannedPicture(const ResizerSettings& settings, const ResizePlan& plan,
                                  ImageCodec& codec, ImgKitSize upright = {});
