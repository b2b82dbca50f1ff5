#pragma once

#include <string>
#include <vector>

#include "resizer/job/batch_resize.h"

// How a batch ended, for callers that must act on it: scalvo-cli's exit code, the window's
// clearing of spent turns. Everything the user needs to read has been shown through the dialogs.
struct BatchOutcome {
    enum class End {
        Stopped,         // a check refused the output folder (no picture looked at)
        NothingChecked,  // the checks passed but no picture was checked
        FolderFailed,    // the base folder could not be made; no picture was touched
        Finished,        // every checked picture was handled
        Interrupted,     // a stop was asked for: the pictures after the handled ones were not
                         // touched
    };
    End end = End::Stopped;
    int converted = 0;  // pictures saved resized
    int failed = 0;     // pictures listed in the failure message
    int handled = 0;    // checked pictures handled (converted, failed or skipped), in list order
    // Lines whose picture was saved over its own source file: their recorded turns are spent, and
    // the window clears them (the batch never changes the list itself).
    std::vector<int> saved_over_source;
};

// The message after a stop: how many of the checked pictures were handled, then the failure lines.
std::string StoppedBatchMessage(int handled, int checked, const std::string& errors);

// StartBatch, telling how it ended.
BatchOutcome StartBatchWithOutcome(ResizerSettings& settings, const BatchContext& context);

// RunBatch, telling how it ended.
BatchOutcome RunBatchWithOutcome(const ResizerSettings& settings, const BatchContext& context);
