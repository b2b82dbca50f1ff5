#pragma once

#include <string>
#include <string_view>

// What a camera and the user's tools recorded in a JPEG (EXIF, IPTC, XMP and the ICC colour
// profile) carried over into a JPEG made from its pixels, so that a saved picture keeps its date
// taken, its camera and its colours. Every function here is safe to call from several threads at
// once; none throws but std::bad_alloc, when memory runs out (the copy would otherwise lose
// metadata it should keep without anyone being told).

// Prepares the metadata library for use from several threads (the XMP toolkit needs one
// initialisation before any thread parses). Idempotent; also done on first use, but calling it at
// start-up, before workers start, keeps that first use off the workers.
void InitialiseJpegMetadata();

// `encoded` (a JPEG just made from the pixels of `source`, both whole files as bytes) with the
// source's EXIF, IPTC, XMP and ICC profile written into it: the orientation says 1 (the pixels are
// already upright), the pixel-size tags give the real size of `encoded`, and the EXIF preview
// picture is dropped. The profile is kept only when it is sound and describes the colour model of
// `encoded` (an RGB profile for a colour picture). A part that cannot be read or written is left
// out and the rest kept; with nothing to carry, `encoded` comes back as it is.
std::string CarryJpegMetadata(std::string_view source, std::string_view encoded);
