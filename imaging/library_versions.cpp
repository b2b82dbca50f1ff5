#include "imaging/library_versions.h"

#include <jconfig.h>

#include <QtGlobal>
#include <exiv2/version.hpp>

std::string ImagingLibraryVersions() {
    // 2001005 is 2.1.5.
    constexpr int kJpeg = LIBJPEG_TURBO_VERSION_NUMBER;
    const std::string jpeg = std::to_string(kJpeg / 1000000) + "." +
                             std::to_string(kJpeg / 1000 % 1000) + "." +
                             std::to_string(kJpeg % 1000);
    return std::string("Qt ") + qVersion() + ", libjpeg-turbo " + jpeg + ", Exiv2 " +
           Exiv2::versionString();
}
