#include "album/generation/html_helpers.h"

#include <cstdio>

#include "album/settings/album_settings.h"
#include "core/path_helpers.h"
#include "platform/text_encoding.h"

std::string EscapeCommentHtml(std::string_view comment) {
    // One pass gives the same result as the seven replacements in turn: "&" is handled before the
    // entities that contain it are made, and "<BR>" is put in after the angle brackets.
    std::string out;
    out.reserve(comment.size() + comment.size() / 4);
    for (char c : comment) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case ' ':
                out += "&nbsp;";
                break;
            case '\r':
                out += "<BR>";
                break;
            case '\n':
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string MakeAlbumPath(const AlbumSettings& settings, char kind, std::string_view file_name,
                          bool for_web) {
    std::string path;
    switch (kind) {
        case kPictureFolderKind:
            path = settings.pic_folder;
            break;
        case kThumbnailFolderKind:
            path = settings.thumb_folder;
            break;
        case kMaterialFolderKind:
            path = settings.material_folder;
            break;
        default:
            break;
    }
    if (!path.empty()) path += for_web ? '/' : kPathSeparator;
    if (kind == kThumbnailFolderKind) path += '_';
    path += file_name;
    return path;
}

namespace {

void AppendPercent(std::string& out, unsigned char byte) {
    static const char* const kHex = "0123456789ABCDEF";
    out += '%';
    out += kHex[byte >> 4];
    out += kHex[byte & 15];
}

// Length of the UTF-8 sequence that starts with `lead`; 1 for a stray byte.
std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead < 0xC0) return 1;
    if (lead < 0xE0) return 2;
    if (lead < 0xF0) return 3;
    return 4;
}

// EscapeUrlPath's rules for ASCII, keeping each other character for which `keep` is true.
template <typename Keep>
std::string EscapeUrlPathKeeping(std::string_view path, Keep keep) {
    std::string out;
    out.reserve(path.size());
    const std::size_t first_slash = path.find('/');
    for (std::size_t i = 0; i < path.size();) {
        unsigned char c = static_cast<unsigned char>(path[i]);
        if (c < 0x80) {
            // A space at either end would be stripped by the browser ("a.jpg " would link to
            // "a.jpg"); a ":" before the first "/" would be read as the end of a scheme.
            const bool edge_space = c == ' ' && (i == 0 || i + 1 == path.size());
            const bool scheme_colon = c == ':' && i < first_slash;
            if (c == '%' || c == '#' || c == '?' || c == '"' || c == '\\' || c < 0x20 ||
                c == 0x7F || edge_space || scheme_colon) {
                AppendPercent(out, c);
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        // Only continuation bytes join a character: a stray byte never swallows the "/" or "\""
        // after it.
        std::size_t n = 1;
        while (n < Utf8SequenceLength(c) && i + n < path.size() &&
               (static_cast<unsigned char>(path[i + n]) & 0xC0) == 0x80) {
            ++n;
        }
        std::string_view character = path.substr(i, n);
        if (keep(character)) {
            out += character;
        } else {
            for (char b : character) AppendPercent(out, static_cast<unsigned char>(b));
        }
        i += n;
    }
    return out;
}

}  // namespace

std::string EscapeUrlPath(std::string_view path) {
    // A character the page cannot hold would become a character reference, which a script never
    // decodes; its percent-encoded UTF-8 form works in links and scripts alike.
    return EscapeUrlPathKeeping(path,
                                [](std::string_view c) { return Utf8ToCp932(c).has_value(); });
}

std::string EscapeUrlPathUtf8(std::string_view path) {
    return EscapeUrlPathKeeping(path, [](std::string_view c) { return IsValidUtf8(c); });
}

std::string EscapeSrcsetUrl(std::string_view path) {
    std::string out;
    for (char c : EscapeUrlPathUtf8(path)) {
        if (c == ' ' || c == ',') {
            AppendPercent(out, static_cast<unsigned char>(c));
        } else {
            out += c;
        }
    }
    return EscapeAttributeText(out);
}

std::string CleanPageText(std::string_view text) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c == '\r') {
                out += '\n';
                i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
                continue;
            }
            const bool control = (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F;
            if (control) {
                out += kReplacement;
            } else {
                out += static_cast<char>(c);
            }
            ++i;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(c);
        if (i + n <= text.size() && IsValidUtf8(text.substr(i, n))) {
            out += text.substr(i, n);
            i += n;
        } else {
            out += kReplacement;
            ++i;
        }
    }
    return out;
}

std::string JsonString(std::string_view text) {
    static const char* const kHex = "0123456789abcdef";
    std::string out = "\"";
    for (char c : CleanPageText(text)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || c == '<') {
            out += "\\u00";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string EscapeLinkAttribute(std::string_view path) {
    return EscapeAttributeText(EscapeUrlPath(path));
}

std::string EscapeUnquotedAttributeUrl(std::string_view url) {
    std::string out;
    out.reserve(url.size());
    for (char c : url) {
        switch (c) {
            case ' ':
            case '\t':
            case '\n':
            case '\f':
            case '\r':
            case '"':
            case '\'':
            case '=':
            case '<':
            case '>':
            case '`':
            case '&':
                AppendPercent(out, static_cast<unsigned char>(c));
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string EscapeAttributeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '"') {
            out += "&quot;";
        } else {
            out += c;
        }
    }
    return out;
}

std::string EscapeHtmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string EscapeJsString(std::string_view text) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || c == '<') {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 15];
            continue;
        }
        if (c == '\\' || c == '\'' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

std::string EscapeJsUrlInHref(std::string_view escaped_url) {
    std::string doubled;
    doubled.reserve(escaped_url.size());
    for (char c : escaped_url) {
        if (c == '%') {
            doubled += "%25";
        } else {
            doubled += c;
        }
    }
    return EscapeJsString(doubled);
}

std::string ToPageBytes(std::string_view utf8_text) {
    std::string cp932 = Utf8ToCp932Html(utf8_text);
    std::string out;
    out.reserve(cp932.size() + cp932.size() / 16);
    // No CP932 trail byte is 0x0A, so a byte-wise replacement is safe.
    for (char c : cp932) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}
