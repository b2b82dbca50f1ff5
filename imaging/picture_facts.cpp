#include "imaging/picture_facts.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/image_kind.h"
#include "imaging/exiv2_carriers.h"
#include "imaging/imgkit.h"
#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf16ToUtf8(std::string_view bytes, bool big_endian) {
    std::string out;
    auto unit = [&](std::size_t i) -> char32_t {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return big_endian ? (char32_t{a} << 8 | b) : (char32_t{b} << 8 | a);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (c >= 0xD800 && c < 0xE000) c = 0xFFFD;
        if (c == 0) break;
        AppendUtf8(out, c);
    }
    return out;
}

// A text of a field that has no declared code: as it is when it reads as UTF-8, else as CP932
// (what Japanese software long wrote there).
std::string TextOfUnknownCode(std::string_view bytes) {
    if (IsValidUtf8(bytes)) return std::string(bytes);
    return Cp932ToUtf8(bytes);
}

// JIS X 0208 (two bytes of 0x21-0x7E a character) as Shift-JIS, by the codes' arithmetic; the
// escapes of ISO-2022-JP switch between it and ASCII.
std::string JisToUtf8(std::string_view bytes) {
    const bool escaped = bytes.find('\x1B') != std::string_view::npos;
    bool double_byte = !escaped;
    std::string sjis;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0x1B && i + 2 < bytes.size()) {
            double_byte = bytes[i + 1] == '$';
            i += 2;
            continue;
        }
        if (!double_byte || c < 0x21 || c > 0x7E || i + 1 >= bytes.size()) {
            sjis += static_cast<char>(c);
            continue;
        }
        const auto d = static_cast<unsigned char>(bytes[++i]);
        const int s1 = ((c + 1) >> 1) + (c <= 0x5E ? 0x70 : 0xB0);
        const int s2 = d + ((c & 1) ? (d >= 0x60 ? 0x20 : 0x1F) : 0x7E);
        sjis += static_cast<char>(s1);
        sjis += static_cast<char>(s2);
    }
    return Cp932ToUtf8(sjis);
}

// Line breaks as the comment box holds them.
std::string WithCrLf(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\r\n";
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string ExifText(const Exiv2::ExifData& exif, const char* key) {
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end()) return {};
    std::string bytes(static_cast<std::size_t>(it->size()), '\0');
    it->copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::invalidByteOrder);
    return std::string(Trimmed(bytes));
}

std::string XmpDescription(const Exiv2::XmpData& xmp) {
    const auto it = xmp.findKey(Exiv2::XmpKey("Xmp.dc.description"));
    if (it == xmp.end()) return {};
    const auto* alt = dynamic_cast<const Exiv2::LangAltValue*>(&it->value());
    if (alt == nullptr) return it->toString();
    const auto def = alt->value_.find("x-default");
    if (def != alt->value_.end() && !Trimmed(def->second).empty()) return def->second;
    for (const auto& [lang, text] : alt->value_) {
        if (!Trimmed(text).empty()) return text;
    }
    return {};
}

std::int64_t DaysFromCivil(int y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return std::int64_t{era} * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The digits at `at`, `count` of them; -1 when any is not a digit.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) return -1;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::int64_t CaptureTime::UtcMilliseconds(int assumed_offset_minutes) const {
    const int offset = offset_minutes.value_or(assumed_offset_minutes);
    return (wall_seconds - std::int64_t{offset} * 60) * 1000 + nanoseconds / 1000000;
}

std::optional<CaptureTime> ParseCaptureTime(std::string_view date_time, std::string_view subsec,
                                            std::string_view offset) {
    date_time = Trimmed(date_time);
    if (date_time.size() < 19) return std::nullopt;
    const int year = Digits(date_time, 0, 4);
    const int month = Digits(date_time, 5, 2);
    const int day = Digits(date_time, 8, 2);
    const int hour = Digits(date_time, 11, 2);
    const int minute = Digits(date_time, 14, 2);
    const int second = Digits(date_time, 17, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    CaptureTime time;
    time.wall_seconds =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
        hour * 3600 + minute * 60 + second;
    subsec = Trimmed(subsec);
    std::int64_t scale = 100000000;
    for (std::size_t i = 0; i < subsec.size() && i < 9 && subsec[i] >= '0' && subsec[i] <= '9';
         ++i, scale /= 10)
        time.nanoseconds += (subsec[i] - '0') * scale;
    offset = Trimmed(offset);
    if (offset.size() == 6 && (offset[0] == '+' || offset[0] == '-') && offset[3] == ':') {
        const int h = Digits(offset, 1, 2);
        const int m = Digits(offset, 4, 2);
        if (h >= 0 && h <= 14 && m >= 0 && m < 60)
            time.offset_minutes = (offset[0] == '-' ? -1 : 1) * (h * 60 + m);
    }
    return time;
}

std::string DecodeUserComment(std::string_view bytes, bool big_endian) {
    if (bytes.size() < 8) return std::string(Trimmed(TextOfUnknownCode(bytes)));
    const std::string_view code = bytes.substr(0, 8);
    std::string_view text = bytes.substr(8);
    std::string decoded;
    if (code == std::string_view("UNICODE\0", 8)) {
        // UTF-8 written under UNICODE is common; UTF-16 text almost never reads as UTF-8 (its
        // zero bytes or its halves give it away).
        const bool has_zero = text.find('\0') != std::string_view::npos &&
                              Trimmed(text).find('\0') != std::string_view::npos;
        if (!has_zero && IsValidUtf8(text)) {
            decoded = std::string(text);
        } else {
            bool big = big_endian;
            if (text.size() >= 2 && text.substr(0, 2) == "\xFE\xFF") {
                big = true;
                text.remove_prefix(2);
            } else if (text.size() >= 2 && text.substr(0, 2) == "\xFF\xFE") {
                big = false;
                text.remove_prefix(2);
            } else {
                // Latin and most Japanese text in UTF-16 puts its zero (or smaller) bytes first
                // when big-endian: count the zero bytes at each place.
                std::size_t even_zero = 0;
                std::size_t odd_zero = 0;
                for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
                    even_zero += text[i] == '\0';
                    odd_zero += text[i + 1] == '\0';
                }
                if (even_zero != odd_zero) big = even_zero > odd_zero;
            }
            decoded = Utf16ToUtf8(text, big);
        }
    } else if (code == std::string_view("JIS\0\0\0\0\0", 8)) {
        decoded = JisToUtf8(text);
    } else {
        // ASCII, the undefined code (eight zeros) and anything unknown.
        decoded = TextOfUnknownCode(text.substr(0, text.find('\0')));
    }
    return std::string(Trimmed(decoded));
}

bool IsBoilerplateCaption(std::string_view caption, std::string_view make, std::string_view model) {
    // What cameras, phones and image libraries write by themselves, seen by the thousand.
    static constexpr std::array<std::string_view, 24> kBoilerplate = {
        "OLYMPUS DIGITAL CAMERA",
        "SONY DSC",
        "DIGITAL CAMERA",
        "KONICA MINOLTA DIGITAL CAMERA",
        "MINOLTA DIGITAL CAMERA",
        "SAMSUNG DIGITAL CAMERA",
        "KODAK DIGITAL STILL CAMERA",
        "OM SYSTEM DIGITAL CAMERA",
        "NIKON DIGITAL CAMERA",
        "PENTAX DIGITAL CAMERA",
        "DIGITAL STILL CAMERA",
        "DCIM",
        "DSC",
        "CAMERA",
        "EXIF_JPEG_PICTURE",
        "EXIF JPEG",
        "LEAD TECHNOLOGIES INC. V1.01",
        "CREATED WITH GIMP",
        "DEFAULT",
        "HELLOMOTO",
        "_CUVA",
        "MY BEAUTIFUL PICTURE",
        "SCREENSHOT",
        "UNTITLED",
    };
    const std::string text = Upper(Trimmed(caption));
    // Blanks, NULs and filler marks alone are no caption (the NUL makes the set's length explicit).
    constexpr std::string_view kFiller(" \t\r\n\0?.-_*", 10);
    if (text.find_first_not_of(kFiller) == std::string::npos) return true;
    if (std::find(kBoilerplate.begin(), kBoilerplate.end(), text) != kBoilerplate.end())
        return true;
    const std::string maker = Upper(Trimmed(make));
    const std::string camera = Upper(Trimmed(model));
    return (!maker.empty() && (text == maker || text == maker + " " + camera)) ||
           (!camera.empty() && text == camera);
}

CaptionFacts FactsOfCarriers(const MetadataCarriers& carriers) {
    CaptionFacts facts;
    Exiv2::ByteOrder order = Exiv2::littleEndian;
    const Exiv2::ExifData exif = DecodeExif(carriers.exif, &order).value_or(Exiv2::ExifData());
    const Exiv2::XmpData xmp = DecodeXmp(carriers.xmp).value_or(Exiv2::XmpData());
    const Exiv2::IptcData iptc = DecodeIptc(carriers.iptc).value_or(Exiv2::IptcData());

    const std::string make = TextOfUnknownCode(ExifText(exif, "Exif.Image.Make"));
    const std::string model = TextOfUnknownCode(ExifText(exif, "Exif.Image.Model"));
    std::string iptc_caption;
    if (const auto it = iptc.findKey(Exiv2::IptcKey("Iptc.Application2.Caption")); it != iptc.end())
        iptc_caption = TextOfUnknownCode(it->toString());
    std::string user_comment;
    if (const auto it = exif.findKey(Exiv2::ExifKey("Exif.Photo.UserComment")); it != exif.end()) {
        std::string bytes(static_cast<std::size_t>(it->size()), '\0');
        it->copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::invalidByteOrder);
        user_comment = DecodeUserComment(bytes, order == Exiv2::bigEndian);
    }
    std::string xp_comment;
    if (const auto it = exif.findKey(Exiv2::ExifKey("Exif.Image.XPComment")); it != exif.end()) {
        std::string bytes(static_cast<std::size_t>(it->size()), '\0');
        it->copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::invalidByteOrder);
        xp_comment = Utf16ToUtf8(bytes, false);
    }
    const std::pair<CaptionField, std::string> candidates[] = {
        {CaptionField::XmpDescription, XmpDescription(xmp)},
        {CaptionField::IptcCaption, iptc_caption},
        {CaptionField::ExifDescription,
         TextOfUnknownCode(ExifText(exif, "Exif.Image.ImageDescription"))},
        {CaptionField::UserComment, user_comment},
        {CaptionField::XpComment, xp_comment},
    };
    for (const auto& [field, text] : candidates) {
        if (IsBoilerplateCaption(text, make, model)) continue;
        facts.caption = WithCrLf(Trimmed(text));
        facts.caption_field = field;
        break;
    }
    facts.taken = ParseCaptureTime(ExifText(exif, "Exif.Photo.DateTimeOriginal"),
                                   ExifText(exif, "Exif.Photo.SubSecTimeOriginal"),
                                   ExifText(exif, "Exif.Photo.OffsetTimeOriginal"));
    return facts;
}

CaptionFacts ReadCaptionFacts(const std::string& path) {
    ImageKind kind = ImageKindOfName(path);
    std::string bytes;
    std::int64_t file_size = 0;
    if (kind == kJpegImage) {
        if (!ReadJpegHeadBytes(path, bytes, file_size)) return {};
    } else if (kind != kNotPicture && kind != kBmpImage) {
        // The other kinds keep their metadata anywhere in the file (a GIF's and a PNG's after
        // their pictures, a HEIF's where its boxes say), so the file is read whole, within reason.
        constexpr std::size_t kMostBytes = std::size_t{64} << 20;
        if (!ReadFileStart(path, kMostBytes, bytes)) return {};
    } else {
        return {};
    }
    // The content decides, whatever the name says (a HEIC saved as .jpg by a phone).
    const ImageKind content = SniffImageKind(std::string_view(bytes).substr(0, kSniffBytes));
    if (content != kNotPicture) kind = content;
    return FactsOfCarriers(MetadataCarriersOf(kind, bytes));
}
