// Feeds arbitrary text to the colour reader and to the escapes that put user text into the pages,
// and checks the promises the pages rely on.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "album/generation/html_helpers.h"

namespace {

// True when every "<" of `html` starts a "<BR>" and no ">" stands outside one.
bool OnlyBreakTags(const std::string& html) {
    for (std::size_t i = 0; i < html.size(); ++i) {
        if (html[i] == '<') {
            if (html.compare(i, 4, "<BR>") != 0) return false;
            i += 3;
        } else if (html[i] == '>') {
            return false;
        }
    }
    return true;
}

// True when every quote and backslash of `js` is escaped by a backslash.
bool QuotesEscaped(const std::string& js) {
    for (std::size_t i = 0; i < js.size(); ++i) {
        if (js[i] == '\\') {
            if (i + 1 >= js.size()) return false;
            ++i;
        } else if (js[i] == '\'' || js[i] == '"') {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::uint32_t colour = ParseHtmlColor(text);
    if (colour > 0xFFFFFF) std::abort();
    const std::string formatted = FormatHtmlColor(colour);
    if (formatted.size() != 7 || ParseHtmlColor(formatted) != colour) std::abort();

    const std::string comment = EscapeCommentHtml(text);
    if (!OnlyBreakTags(comment)) std::abort();
    if (comment.find_first_of("\"\n ") != std::string::npos) std::abort();

    if (EscapeAttributeText(text).find('"') != std::string::npos) std::abort();
    if (!QuotesEscaped(EscapeJsString(text))) std::abort();
    const std::string url = EscapeUrlPath(text);
    if (url.find_first_of("#?\"\\") != std::string::npos) std::abort();
    if (!QuotesEscaped(EscapeJsUrlInHref(url))) std::abort();
    ToPageBytes(text);
    return 0;
}
