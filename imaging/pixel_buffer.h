#pragma once

#include <QImage>

// A new Format_RGB32 picture of width x height for the imaging layer's own large pictures (a
// decode, a resize). From a few megabytes up its pixels sit on large zero-filled pages of their
// own (AllocateLargeZeroed), which fill without a page fault every 4 KB and go back to the system
// when the last copy of the picture is gone; smaller ones come from the heap. Null when memory
// fails or the size is below 1.
QImage NewPixelImage(int width, int height);
