#pragma once

#include <string>
#include <vector>

#include "resizer/job/batch_resize.h"

// How a batch ended, for callers that must act on it: scalvo-cli's exit code, the window's
// clearing of spent turns. Everything the user needs to read has been shown through the dialogs.
struct BatchOutcome {
    enum class End {
        NothingChecked,  // no picture was checked
        FolderFailed,    // the base folder could not be made; no picture was touched
        Finished,        // every checked picture was handled
        Interrupted,     // a stop was asked for: the pictures after the handled ones were not
                         // touched
        BrokeDown,       // nobody stopped it, but it could not go on (no memory for the job's
                         // own bookkeeping, no worker could start): the pictures after the handled
                         // ones were not touched
    };
    End end = End::Finished;
    int converted = 0;  // pictures saved resized
    int failed = 0;     // pictures listed in the failure message
    int handled = 0;    // checked pictures handled (converted, failed or skipped), in list order
    // Lines whose picture was saved over its own source file: their recorded turns are spent, and
    // the window clears them (the batch never changes the list itself).
    std::vector<int> saved_over_source;
};

// The message after a stop: how many of the checked pictures were handled, then the failure lines.
std::string StoppedBatchMessage(int handled, int checked, const std::string& failures);

// The message after a batch that broke down (End::BrokeDown), in the same form: it says that the
// batch could not go on, not that it was stopped.
std::string BrokenBatchMessage(int handled, int checked, const std::string& failures);

// The batch behind the create button, once the caller has checked the output folder
// (PrepareOutputFolder): refuses an empty selection, converts the checked pictures under the
// progress display and shows the failures collected (or, after a stop, how far it got) in one
// message.
BatchOutcome RunBatch(const ResizerSettings& settings, const BatchContext& context);
