// Feeds arbitrary bytes to the theme reader as the contents of a theme file, and checks that every
// theme it reads that can be stored is written back as one line that reads as the same theme.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "album/generation/html_helpers.h"
#include "album/style/themes/theme_store.h"
#include "platform/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = DecodeTextFileBytes(bytes);
    if (!IsValidUtf8(text)) std::abort();
    const ThemeList themes = ParseThemeText(text);
    for (const CoordinateTheme& theme : themes) {
        // Colours are stored as "#rrggbb": only the low 24 bits survive a line.
        CoordinateTheme expected = theme;
        for (int* c : {&expected.color_title, &expected.color_commen, &expected.color_thumb,
                       &expected.color_bg}) {
            *c &= 0xFFFFFF;
        }
        if (ThemeStorageProblem(theme) || ThemeTitleProblem(theme.title)) continue;
        const std::string line = FormatThemeLine(theme);
        const ThemeList again = ParseThemeText(line);
        if (again.size() != 1) std::abort();
        if (!(again[0] == expected)) std::abort();
    }
    std::string line(bytes);
    while (!line.empty()) TakeField(line);
    return 0;
}
