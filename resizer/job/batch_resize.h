#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/mul_div.h"
#include "core/picture_outcome.h"
#include "core/picture_plan.h"
#include "imaging/image_codec.h"
#include "imaging/picture_bytes.h"
#include "imaging/picture_codec.h"
#include "platform/file_system.h"
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

// The kind a picture of kind `source` is saved in under `format`: the chosen kind; for Original
// its own kind where that can be written here, else JPEG (a HEIF when no HEVC encoder is present).
ImageKind OutputKindOf(OutputFormat format, ImageKind source);

// A planned picture's source as its resize reads it, once: the file its path leads to when the
// resize replaces it, the whole file's bytes and what its header says. Move-only.
struct ResizeSource {
    FileToReplace original;             // the file replaced (a resize over the source only)
    std::optional<PictureBytes> bytes;  // none when it could not be read (see failure)
    PictureFacts facts;                 // from the bytes
    PictureFailure failure = PictureFailure::None;  // Unreadable or NoMemory when no bytes
};

// Reads the source of `plan` into `source` (nothing for a picture the job passes over) and
// returns the bytes converting it holds at its peak: the file's bytes, the decoded, turned and
// resized pictures, from its header.
std::int64_t ReadResizeSource(const ResizerSettings& settings, const PicturePlan& plan,
                              ImageCodec& codec, ResizeSource& source);

// Converts one planned picture from its source as ReadResizeSource read it into its output, in
// the kind the output's extension names: its outcome (output_written once the resized picture is
// saved, XmpLeftOut included). A file whose content is another kind than its name says, an
// animation, a file of several pictures or one whose decoder or encoder is missing is refused,
// named with its format. A picture of a kind the batch does not convert (a GIF) has no output and
// is passed over: nothing written, no failure. The source's bytes are released once the output is
// encoded. A bad_alloc (memory that ran out in any step after the load) or a library's exception
// goes up to the job driver. Safe to call on a worker thread: it reads only its arguments.
PictureOutcome ResizePlannedPicture(const ResizerSettings& settings, const PicturePlan& plan,
                                    ImageCodec& codec, ResizeSource& source);

// The same, reading the source itself first.
PictureOutcome ResizePlannedPicture(const ResizerSettings& settings, const PicturePlan& plan,
                                    ImageCodec& codec);
