#include "album/style/themes/font_size_to_pixels.h"

int FontSizeToPixels(int html_size) {
    static constexpr int kPixels[] = {10, 12, 16, 18, 24, 32, 48};
    if (html_size < 1 || html_size > 7) return 16;
    return kPixels[html_size - 1];
}
