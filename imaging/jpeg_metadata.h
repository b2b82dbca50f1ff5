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
// picture is dropped. An XMP packet with nothing to change is carried byte for byte; one whose
// values change keeps every other byte, giving up padding when the new values are longer, and
// the properties that grow only when that is not enough. The profile is kept only when it is sound
// and describes the colour model of `encoded` (an RGB profile for a colour picture). A part that
// cannot be read or written is left out and the rest kept; with nothing to carry, `encoded` comes
// back as it is. `xmp_too_large`, when given, says whether the source's XMP was left out because
// no form of it would fit its segment (the caller tells the user).
std::string CarryJpegMetadata(std::string_view source, std::string_view encoded,
                              bool* xmp_too_large = nullptr);
