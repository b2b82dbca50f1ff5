#pragma once

#include <string>

#include "browser/imaging/image_codec.h"
#include "browser/mul_div.h"
#include "resizer/job/resizer_settings.h"

class PictureSelection;
class ProgressSink;
class UserDialogs;

// What the batch needs besides the settings.
struct BatchContext {
    const PictureSelection& pictures;
    UserDialogs& dialogs;
    ProgressSink& progress;
    ImageCodec& codec;
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
