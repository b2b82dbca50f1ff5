#pragma once

#include <QImage>

// A new picture of width x height in `format` (Format_RGB32 unless told; any format of 4 or 8
// bytes a pixel) for the imaging layer's own large pictures (a decode, a resize). From a few
// megabytes up its pixels sit on large zero-filled pages of their own (AllocateLargeZeroed), which
// fill without a page fault every 4 KB and go back to the system when the last copy of the
// picture is gone; smaller ones come from the heap. Null when memory fails or the size is below 1.
QImage NewPixelImage(int width, int height, QImage::Format format = QImage::Format_RGB32);

// Memory failures of the imaging layer's own allocations are noted for the calling thread, so that
// a load that gives no picture can tell "out of memory" from "cannot be read"
// (ImgKitLastLoadFailure).
void NoteOutOfMemory();

// True when memory failed on this thread since the last call; clears the note.
bool TakeOutOfMemoryNote();
