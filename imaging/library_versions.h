#pragma once

#include <string>

// The libraries the imaging layer runs on, for a program's --version: "Qt 6.4.2, libjpeg-turbo
// 2.1.5, Exiv2 0.27.6". Qt and Exiv2 as loaded at run time, libjpeg-turbo as built against.
std::string ImagingLibraryVersions();
