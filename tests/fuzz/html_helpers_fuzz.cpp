// Feeds arbitrary text to the colour reader and to the escapes that put user text into the pages,
// and checks the promises the pages rely on.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "album/generation/html_helpers.h"
#include "album/settings/html_color.h"

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

// True when every "&" of `text` starts one of the references the escapes make.
bool OnlyOwnReferences(const std::string& text) {
    for (std::size_t at = 0; (at = text.find('&', at)) != std::string::npos; ++at) {
        bool known = false;
        for (const char* reference : {"&amp;", "&quot;", "&lt;", "&gt;", "&nbsp;"}) {
            known = known || text.compare(at, std::string_view(reference).size(), reference) == 0;
        }
        if (!known) return false;
    }
    return true;
}

// True when `text` holds a control character (which a browser drops from a URL or which ends a
// script string).
bool HasControl(const std::string& text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    }
    return false;
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

    const std::string attribute = EscapeAttributeText(text);
    if (attribute.find('"') != std::string::npos || !OnlyOwnReferences(attribute)) std::abort();
    const std::string body = EscapeHtmlText(text);
    if (body.find_first_of("<>") != std::string::npos || !OnlyOwnReferences(body)) std::abort();
    const std::string js = EscapeJsString(text);
    if (!QuotesEscaped(js) || HasControl(js) || js.find('<') != std::string::npos) std::abort();

    const std::string url = EscapeUrlPath(text);
    if (url.find_first_of("#?\"\\") != std::string::npos || HasControl(url)) std::abort();
    // A space at either end would be stripped, a ":" before the first "/" read as a scheme.
    if (!url.empty() && (url.front() == ' ' || url.back() == ' ')) std::abort();
    if (url.substr(0, url.find('/')).find(':') != std::string::npos) std::abort();
    const std::string link = EscapeLinkAttribute(text);
    if (link.find('"') != std::string::npos || !OnlyOwnReferences(link)) std::abort();
    const std::string unquoted = EscapeUnquotedAttributeUrl(url);
    if (unquoted.find_first_of(" \t\n\f\r\"'=<>`&") != std::string::npos) std::abort();
    if (!QuotesEscaped(EscapeJsUrlInHref(unquoted))) std::abort();
    ToPageBytes(text);
    return 0;
}
