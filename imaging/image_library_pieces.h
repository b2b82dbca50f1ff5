#pragma once

#include <string>

// What the imaging layer needs at run time, as found on this system.
struct ImagingPieces {
    bool jpeg_read = false;   // Qt's JPEG image-format plug-in
    bool jpeg_write = false;  // TurboJPEG
    bool bmp_read = false;    // Qt Gui's built-in BMP handler
    bool bmp_write = false;
};

// The file name of the first missing piece, in the order JPEG reading, JPEG writing, BMP reading,
// BMP writing; empty when everything is present.
std::string FirstMissingImagingPiece(const ImagingPieces& pieces);
