#pragma once

// The pixel height of an HTML font size in the Style page's preview: 1 gives 10, 2 gives 12, 3
// gives 16, 4 gives 18, 5 gives 24, 6 gives 32, 7 gives 48; any other value gives 16 (the browser's
// normal size).
int FontSizeToPixels(int html_size);
