#include "album/generation/page_colours.h"

#include <algorithm>
#include <cmath>

#include "album/settings/album_settings.h"

namespace {

struct Rgb {
    double r, g, b;  // 0 to 1
};

Rgb RgbOf(int colour) {
    return {(colour & 0xFF) / 255.0, ((colour >> 8) & 0xFF) / 255.0,
            ((colour >> 16) & 0xFF) / 255.0};
}

int ColourOf(Rgb c) {
    auto byte = [](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255));
    };
    return byte(c.r) | byte(c.g) << 8 | byte(c.b) << 16;
}

double RelativeLuminance(int colour) {
    auto linear = [](double v) {
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const Rgb c = RgbOf(colour);
    return 0.2126 * linear(c.r) + 0.7152 * linear(c.g) + 0.0722 * linear(c.b);
}

struct Hsl {
    double h, s, l;  // hue in turns (0 to 1), saturation and lightness 0 to 1
};

Hsl HslOf(int colour) {
    const Rgb c = RgbOf(colour);
    const double high = std::max({c.r, c.g, c.b});
    const double low = std::min({c.r, c.g, c.b});
    const double l = (high + low) / 2;
    const double d = high - low;
    if (d == 0) return {0, 0, l};
    const double s = d / (1 - std::fabs(2 * l - 1));
    double h = 0;
    if (high == c.r) {
        h = std::fmod((c.g - c.b) / d + 6, 6);
    } else if (high == c.g) {
        h = (c.b - c.r) / d + 2;
    } else {
        h = (c.r - c.g) / d + 4;
    }
    return {h / 6, s, l};
}

int ColourOf(Hsl c) {
    const double chroma = (1 - std::fabs(2 * c.l - 1)) * c.s;
    const double h = c.h * 6;
    const double x = chroma * (1 - std::fabs(std::fmod(h, 2) - 1));
    Rgb rgb{0, 0, 0};
    if (h < 1) {
        rgb = {chroma, x, 0};
    } else if (h < 2) {
        rgb = {x, chroma, 0};
    } else if (h < 3) {
        rgb = {0, chroma, x};
    } else if (h < 4) {
        rgb = {0, x, chroma};
    } else if (h < 5) {
        rgb = {x, 0, chroma};
    } else {
        rgb = {chroma, 0, x};
    }
    const double m = c.l - chroma / 2;
    return ColourOf(Rgb{rgb.r + m, rgb.g + m, rgb.b + m});
}

constexpr int kBlack = 0x000000;
constexpr int kWhite = 0xFFFFFF;

// The lightness of a light theme's page in the dark scheme, and the most saturation it keeps
// there: a deep shade of the page's own hue, as far from glaring as from pure black.
constexpr double kDarkPageLightness = 0.12;
constexpr double kDarkPageSaturation = 0.3;

// How far ReadableOn moves the lightness in one step.
constexpr double kLightnessStep = 0.01;

}  // namespace

double ContrastRatio(int colour, int other) {
    const double a = RelativeLuminance(colour);
    const double b = RelativeLuminance(other);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

bool IsDarkPage(int background) {
    return ContrastRatio(kWhite, background) > ContrastRatio(kBlack, background);
}

double LowestTextContrast(const PageColours& c) {
    return std::min({ContrastRatio(c.text, c.background), ContrastRatio(c.comment, c.background),
                     ContrastRatio(c.title, c.background)});
}

int ReadableOn(int text, int background) {
    text &= 0xFFFFFF;
    if (ContrastRatio(text, background) >= kMinimumTextContrast) return text;
    const double target = IsDarkPage(background) ? 1.0 : 0.0;
    Hsl hsl = HslOf(text);
    int colour = text;
    // Each step is checked on the colour as the page will hold it, in whole bytes.
    while (ContrastRatio(colour, background) < kMinimumTextContrast) {
        hsl.l = target > hsl.l ? std::min(target, hsl.l + kLightnessStep)
                               : std::max(target, hsl.l - kLightnessStep);
        colour = ColourOf(hsl);
        if (hsl.l == target) break;  // black or white: as far as it goes
    }
    return colour;
}

PageColours LightPageColours(const AlbumSettings& s) {
    const int background = s.color_bg & 0xFFFFFF;
    return {background, ReadableOn(s.color_thumb, background),
            ReadableOn(s.color_commen, background), ReadableOn(s.color_title, background)};
}

PageColours DarkPageColours(const AlbumSettings& s) {
    if (IsDarkPage(s.color_bg & 0xFFFFFF)) return LightPageColours(s);
    Hsl page = HslOf(s.color_bg & 0xFFFFFF);
    page.s = std::min(page.s, kDarkPageSaturation);
    page.l = kDarkPageLightness;
    const int background = ColourOf(page);
    auto opposite = [background](int colour) {
        Hsl text = HslOf(colour & 0xFFFFFF);
        text.l = 1 - text.l;
        return ReadableOn(ColourOf(text), background);
    };
    return {background, opposite(s.color_thumb), opposite(s.color_commen), opposite(s.color_title)};
}
