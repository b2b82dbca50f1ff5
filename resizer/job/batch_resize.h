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
    int line = -1;            // the picture's line in the list
    std::string source;       // source folder + name
    std::string destination;  // base folder + name
    int kind = -1;            // ImageKindOfName of the source: 1 JPEG, 3 BMP, others skipped
    int turns = 0;            // quarter turns to apply, 0-3
};

// What converting one picture did, as a worker reports it.
struct ResizeResult {
    bool skipped = false;            // not a JPEG or BMP: nothing done, nothing reported
    bool converted = false;          // saved resized
    std::string error;               // the short reason when it failed
    bool saved_over_source = false;  // the converted picture replaced its source file
};

// The output size of a picture of width x height (after its turns) under the settings' rule.
ImgKitSize ComputeTargetSize(const ResizerSettings& settings, int width, int height);

// The create button's work after the dialog's transfer: checks the output folder (absolute, no
// extension; one trailing separator removed from settings.outputFolder; EnsureFolder with the
// question) unless originals are overwritten, then RunBatch. Returns false when a check stopped it
// (the caller then puts the focus into the output folder edit).
bool StartBatch(ResizerSettings& settings, const BatchContext& context);

// Refuses an empty selection, runs ResizeSelection under the progress display and shows the
// collected failures in one message.
void RunBatch(const ResizerSettings& settings, const BatchContext& context);

// The loop over the checked pictures; appends "<source> (ｴﾗｰ)<reason>\n" per failure to errors.
void ResizeSelection(const ResizerSettings& settings, const BatchContext& context,
                     std::string& errors);

// Converts one picture (line = its index in the list); false with a short reason on failure.
bool ResizeOneFile(const ResizerSettings& settings, const BatchContext& context,
                   const std::string& source, const std::string& destination, int kind, int line,
                   std::string& error);

// Bytes that converting `plan` holds at its peak (decoded, turned and resized pictures), from the
// header of its source read through `codec` (`upright` receives the size read, {0, 0} when
// unreadable).
std::int64_t ResizePictureBytes(const ResizerSettings& settings, const ResizePlan& plan,
                                ImageCodec& codec, ImgKitSize& upright);

// Converts one planned picture, and after a failure copies the original unchanged to a
// destination that is another file. `upright` is its size from the header when already read
// ({0, 0}: read it here). Safe to call on a worker thread: it reads only its arguments.
ResizeResult ResizePlannedPicture(const ResizerSettings& settings, const ResizePlan& plan,
                                  ImageCodec& codec, ImgKitSize upright = {});
