#pragma once

#include <cstdint>
#include <string>

#include "core/mul_div.h"
#include "core/picture_outcome.h"
#include "core/picture_plan.h"
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

// The reason the batch's callers name for a size rule that leaves less than one pixel
// (PictureReason words every reason).
inline constexpr const char* kResizeTooSmall = PictureFailureText(PictureFailure::TooSmall);

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
std::int64_t ResizePictureBytes(const ResizerSettings& settings, const PicturePlan& plan,
                                ImageCodec& codec, ImgKitSize& upright);

// Converts one planned picture into its output: its outcome (output_written once the resized
// picture is saved, XmpLeftOut included). A picture that is neither JPEG nor BMP is passed over:
// nothing written, no failure. A bad_alloc (memory that ran out in any step after the load) or a
// library's exception goes up to the job driver. `upright` is its size from the header when
// already read ({0, 0}: read it here). Safe to call on a worker thread: it reads only its
// arguments.
PictureOutcome ResizePlannedPicture(const ResizerSettings& settings, const PicturePlan& plan,
                                    ImageCodec& codec, ImgKitSize upright = {});
