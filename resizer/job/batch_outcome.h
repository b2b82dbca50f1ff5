#pragma once

#include "resizer/job/batch_resize.h"

// How a batch ended, for callers that must report it (scalvo-cli's exit code). The window ignores
// it: everything the user needs has been shown through the dialogs.
struct BatchOutcome {
    enum class End {
        Stopped,         // a check refused the output folder (no picture looked at)
        NothingChecked,  // the checks passed but no picture was checked
        FolderFailed,    // the base folder could not be made; no picture was touched
        Finished,        // every checked picture was handled
    };
    End end = End::Stopped;
    int converted = 0;  // pictures saved resized
    int failed = 0;     // pictures listed in the failure message
};

// StartBatch, telling how it ended.
BatchOutcome StartBatchWithOutcome(ResizerSettings& settings, const BatchContext& context);

// RunBatch, telling how it ended.
BatchOutcome RunBatchWithOutcome(const ResizerSettings& settings, const BatchContext& context);
