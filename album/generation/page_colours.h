#pragma once

struct AlbumSettings;

// The colours of the modern pages in one colour scheme, as COLORREF values (red in bits 0-7).
struct PageColours {
    int background = 0;  // the page (color_bg)
    int text = 0;        // the captions and notes (color_thumb)
    int comment = 0;     // the description, the links and the buttons (color_commen)
    int title = 0;       // the heading (color_title)

    bool operator==(const PageColours&) const = default;
};

// Every text of the modern pages stands out from the page by at least this contrast ratio.
inline constexpr double kMinimumTextContrast = 4.5;

// The contrast ratio of two colours, 1 (the same) to 21 (black and white): the relative luminance
// of the lighter sRGB colour plus 0.05 over that of the darker plus 0.05.
double ContrastRatio(int colour, int other);

// True when white text stands out more from `background` than black does: a dark page.
bool IsDarkPage(int background);

// The lowest contrast of the three texts of `colours` with its background: the one figure by which
// both schemes are held to kMinimumTextContrast.
double LowestTextContrast(const PageColours& colours);

// `text` as near to itself as it can stay while standing out from `background` by at least
// kMinimumTextContrast: its lightness is moved, a step at a time, towards black or white,
// whichever stands out more from the background; hue and saturation stay. `text` itself when it
// stands out enough already. Pure black or white always does, so the move ends.
int ReadableOn(int text, int background);

// The light scheme: the theme's own colours, except that a text that would stand out by less than
// kMinimumTextContrast is made ReadableOn the page.
PageColours LightPageColours(const AlbumSettings& settings);

// The scheme for a visitor whose system asks for dark pages. A light page becomes a dark one of its
// own hue, and each text takes the opposite lightness of its own and is then made ReadableOn it;
// a page that is dark already keeps the light scheme.
PageColours DarkPageColours(const AlbumSettings& settings);
