#pragma once

#include <cstdlib>

#include "imaging/image_library.h"
#include "tests/support/recording_user_dialogs.h"

// Loads the imaging libraries for a fuzz target, or ends it at once: without them every input
// would only be refused, and the run would find nothing.
inline void LoadImageLibraryOrAbort() {
    RecordingUserDialogs dialogs;
    if (!ImageLibrary::Load(dialogs)) std::abort();
}
