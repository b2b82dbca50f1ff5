#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

namespace {

// One conversion direction, opened once per thread (iconv descriptors carry state and are not
// thread-safe).
class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (Ok()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much of `in` as it can, appending to `out`. Returns 0 when everything was
    // converted, else the errno that stopped it (EILSEQ, EINVAL); `consumed` is the number of input
    // bytes used.
    int Convert(std::string_view in, std::string& out, size_t& consumed) {
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        size_t src_left = in.size();
        char buffer[4096];
        int error = 0;
        while (src_left > 0) {
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            size_t rc = ::iconv(cd_, &src, &src_left, &dst, &dst_left);
            out.append(buffer, static_cast<size_t>(dst - buffer));
            if (rc == static_cast<size_t>(-1)) {
                if (errno == E2BIG) continue;
                error = errno;
                break;
            }
        }
        if (error == 0) {
            char* dst = buffer;
            size_t dst_left = sizeof buffer;
            ::iconv(cd_, nullptr, nullptr, &dst, &dst_left);
            out.append(buffer, static_cast<size_t>(dst - buffer));
        }
        consumed = in.size() - src_left;
        return error;
    }

  private:
    iconv_t cd_;
};

Converter& ToCp932() {
    thread_local Converter c("CP932", "UTF-8");
    return c;
}

Converter& FromCp932() {
    thread_local Converter c("UTF-8", "CP932");
    return c;
}

// Length of the well-formed UTF-8 character at the start of `s`, or 0 when it is not one.
size_t Utf8CharLength(std::string_view s, uint32_t* code_point = nullptr) {
    if (s.empty()) return 0;
    const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char c = b(0);
    size_t len;
    uint32_t cp;
    if (c < 0x80) {
        len = 1;
        cp = c;
    } else if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (s.size() < len) return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((b(i) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i) & 0x3F);
    }
    // Overlong forms, surrogates and values above U+10FFFF are not characters.
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
        (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    if (code_point != nullptr) *code_point = cp;
    return len;
}

std::string CharacterReference(uint32_t cp) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "&#x%X;", static_cast<unsigned>(cp));
    return buffer;
}

// CP932 for one run of valid UTF-8, kept only when it converts back to the same text. The
// converter maps a few characters one way only (U+00A5 YEN SIGN to 0x5C, U+301C WAVE DASH to the
// full-width tilde); those would come back as other characters, so they count as not representable.
std::optional<std::string> ExactCp932(std::string_view utf8) {
    Converter& to = ToCp932();
    if (!to.Ok()) return std::nullopt;
    std::string out;
    size_t consumed = 0;
    if (to.Convert(utf8, out, consumed) != 0) return std::nullopt;
    bool ascii = true;
    for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) return out;
    std::string back;
    if (FromCp932().Convert(out, back, consumed) != 0 || back != utf8) return std::nullopt;
    return out;
}

bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
bool IsCp932TrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t len = Utf8CharLength(bytes.substr(i));
        if (len == 0) return false;
        i += len;
    }
    return true;
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    if (!IsValidUtf8(utf8)) return std::nullopt;
    return ExactCp932(utf8);
}

std::string Utf8ToCp932Html(std::string_view utf8) {
    if (IsValidUtf8(utf8)) {
        if (std::optional<std::string> whole = ExactCp932(utf8)) return *whole;
    }
    // Slow path: character by character, ASCII passing straight through.
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        uint32_t cp = 0;
        size_t len = Utf8CharLength(utf8.substr(i), &cp);
        if (len == 0) {
            out += CharacterReference(0xFFFD);
            ++i;
            continue;
        }
        if (std::optional<std::string> one = ExactCp932(utf8.substr(i, len))) {
            out += *one;
        } else {
            out += CharacterReference(cp);
        }
        i += len;
    }
    return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    std::string out;
    Converter& from = FromCp932();
    if (!from.Ok()) {
        for (char c : cp932) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(c);
            } else {
                out += kReplacement;
            }
        }
        return out;
    }
    std::string_view rest = cp932;
    while (!rest.empty()) {
        size_t consumed = 0;
        if (from.Convert(rest, out, consumed) == 0) break;
        rest.remove_prefix(consumed);
        if (rest.empty()) break;
        // Skip the bad character: a lead byte with a plausible trail byte is one character.
        size_t skip = 1;
        if (rest.size() >= 2 && IsCp932LeadByte(static_cast<unsigned char>(rest[0])) &&
            IsCp932TrailByte(static_cast<unsigned char>(rest[1]))) {
            skip = 2;
        }
        out += kReplacement;
        rest.remove_prefix(skip);
    }
    return out;
}

std::string DecodeTextFileBytes(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
        return std::string(bytes);
    }
    return Cp932ToUtf8(bytes);
}

std::u16string BytesToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x80) {
            out.push_back(c);
            ++i;
            continue;
        }
        uint32_t cp = 0;
        const size_t len = Utf8CharLength(bytes.substr(i), &cp);
        if (len == 0) {
            // Not UTF-8: the byte travels as a surrogate no well-formed text contains.
            out.push_back(static_cast<char16_t>(0xDC00 + c));
            ++i;
            continue;
        }
        if (cp < 0x10000) {
            out.push_back(static_cast<char16_t>(cp));
        } else {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        }
        i += len;
    }
    return out;
}

std::string Utf16ToBytes(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    auto append = [&out](uint32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000) {
            append(0x10000 + ((static_cast<uint32_t>(u) - 0xD800) << 10) +
                   (static_cast<uint32_t>(text[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xDC80 && u < 0xDD00) {
            out.push_back(static_cast<char>(u - 0xDC00));
        } else if (u >= 0xD800 && u < 0xE000) {
            append(0xFFFD);
        } else {
            append(u);
        }
    }
    return out;
}
