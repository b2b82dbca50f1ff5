#pragma once

// The theme store formats and parses colours with the album's HTML helpers, but the widget test
// programs of this folder link only album_style, whose libraries do not yet bring album_generation
// along. Compiling the helpers into the test program fills that gap; remove this file once
// album_themes links album_generation.
#include "album/generation/html_helpers.cpp"  // NOLINT(bugprone-suspicious-include)
