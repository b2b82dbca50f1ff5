#include "resizer/job/resizer_settings.h"

std::string ResizerSettings::DefaultOutputFolder() {
#if defined(_WIN32)
    return "C:\\MyAlbum";
#else
    return "~/MyAlbum";
#endif
}
