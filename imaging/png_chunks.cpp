#include "imaging/png_chunks.h"

#include <zlib.h>

#include <algorithm>
#include <cctype>

namespace {

using namespace std::string_view_literals;

constexpr std::string_view kSignature = "\x89PNG\r\n\x1A\n"sv;
constexpr std::string_view kXmpKeyword = "XML:com.adobe.xmp"sv;

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[at + 3]));
}

void AppendBigEndian32(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value >> 24));
    out.push_back(static_cast<char>(value >> 16));
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value));
}

// The zlib stream `data` inflated, none when it is broken or inflates to more than
// kMaxPngMetadataBytes.
std::optional<std::string> Inflate(std::string_view data) {
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    std::string out;
    int status = Z_OK;
    while (status == Z_OK) {
        const std::size_t had = out.size();
        if (had >= kMaxPngMetadataBytes) break;
        out.resize(std::min(kMaxPngMetadataBytes, had + 64 * 1024));
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + had);
        stream.avail_out = static_cast<uInt>(out.size() - had);
        status = inflate(&stream, Z_NO_FLUSH);
        out.resize(out.size() - stream.avail_out);
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break;
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return std::nullopt;
    return out;
}

std::string Deflate(std::string_view data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                  Z_BEST_COMPRESSION) != Z_OK)
        return {};
    out.resize(size);
    return out;
}

// The keyword of a tEXt, zTXt or iTXt chunk (up to its first NUL); empty when it has none.
std::string_view Keyword(std::string_view data) {
    const std::size_t nul = data.find('\0');
    return nul == std::string_view::npos ? std::string_view() : data.substr(0, nul);
}

// The Exif of ImageMagick's and older libraries' "Raw profile type exif" text, the first six of
// its bytes "Exif\0\0".
std::string RawProfileExif(std::string_view text) {
    std::string bytes = RawProfileBytes(text).value_or(std::string());
    if (bytes.substr(0, 6) == "Exif\0\0"sv) bytes.erase(0, 6);
    return bytes;
}

}  // namespace

std::vector<PngChunk> PngChunks(std::string_view png, bool* whole) {
    std::vector<PngChunk> chunks;
    if (whole != nullptr) *whole = false;
    if (png.substr(0, kSignature.size()) != kSignature) return chunks;
    std::size_t at = kSignature.size();
    while (png.size() - at >= 12) {
        const std::uint32_t length = BigEndian32(png, at);
        if (length > 0x7FFFFFFFu || length > png.size() - at - 12) return chunks;
        PngChunk chunk;
        chunk.type = png.substr(at + 4, 4);
        chunk.data = png.substr(at + 8, length);
        chunk.start = at;
        chunk.end = at + 12 + length;
        chunks.push_back(chunk);
        at = chunk.end;
        if (chunk.type == "IEND") {
            if (whole != nullptr) *whole = true;
            return chunks;
        }
    }
    return chunks;
}

std::optional<PngLayout> ReadPngLayout(std::string_view png) {
    const std::vector<PngChunk> chunks = PngChunks(png);
    if (chunks.empty() || chunks.front().type != "IHDR" || chunks.front().data.size() != 13)
        return std::nullopt;
    PngLayout layout;
    const std::string_view ihdr = chunks.front().data;
    layout.width = BigEndian32(ihdr, 0);
    layout.height = BigEndian32(ihdr, 4);
    layout.bit_depth = static_cast<std::uint8_t>(ihdr[8]);
    layout.colour_type = static_cast<std::uint8_t>(ihdr[9]);
    bool before_pixels = true;
    for (const PngChunk& chunk : chunks) {
        if (chunk.type == "IDAT") before_pixels = false;
        if (chunk.type == "acTL" && before_pixels) layout.animated = true;
        if (chunk.type == "tRNS") layout.transparency = true;
        if (chunk.type == "eXIf" && layout.exif.empty()) layout.exif = chunk.data;
    }
    return layout;
}

PngMetadata ReadPngMetadata(std::string_view png) {
    PngMetadata metadata;
    std::string raw_exif;
    for (const PngChunk& chunk : PngChunks(png)) {
        const std::string_view keyword = Keyword(chunk.data);
        if (chunk.type == "eXIf" && metadata.exif.empty()) {
            metadata.exif.assign(chunk.data);
        } else if (chunk.type == "iCCP" && metadata.icc.empty() && !keyword.empty()) {
            // Name, NUL, compression method 0, then the zlib stream.
            const std::size_t at = keyword.size() + 2;
            if (at <= chunk.data.size() && chunk.data[keyword.size() + 1] == '\0') {
                if (auto icc = Inflate(chunk.data.substr(at))) metadata.icc = std::move(*icc);
            }
        } else if (chunk.type == "iTXt" && keyword == kXmpKeyword && metadata.xmp.empty()) {
            // Keyword, NUL, compressed flag, method, language tag, NUL, translated keyword, NUL.
            std::size_t at = keyword.size() + 1;
            if (chunk.data.size() < at + 2) continue;
            const bool compressed = chunk.data[at] != '\0';
            at += 2;
            for (int field = 0; field < 2; ++field) {
                const std::size_t nul = chunk.data.find('\0', at);
                if (nul == std::string_view::npos)
                    at = chunk.data.size() + 1;
                else
                    at = nul + 1;
            }
            if (at > chunk.data.size()) continue;
            const std::string_view text = chunk.data.substr(at);
            if (!compressed) {
                metadata.xmp.assign(text);
            } else if (auto xmp = Inflate(text)) {
                metadata.xmp = std::move(*xmp);
            }
        } else if ((chunk.type == "zTXt" || chunk.type == "tEXt") &&
                   keyword == "Raw profile type exif" && raw_exif.empty()) {
            std::string_view text = chunk.data.substr(keyword.size() + 1);
            std::optional<std::string> inflated;
            if (chunk.type == "zTXt") {
                if (text.empty()) continue;
                inflated = Inflate(text.substr(1));  // after the compression method
                if (!inflated) continue;
                text = *inflated;
            }
            raw_exif = RawProfileExif(text);
        }
    }
    if (metadata.exif.empty()) metadata.exif = std::move(raw_exif);
    return metadata;
}

std::optional<std::string> RawProfileBytes(std::string_view text) {
    std::size_t at = 0;
    for (int line = 0; line < 3 && at < text.size(); ++line) {
        const std::size_t next = text.find('\n', at);
        if (next == std::string_view::npos) return std::nullopt;
        at = next + 1;
    }
    std::string bytes;
    int high = -1;
    for (; at < text.size() && bytes.size() < kMaxPngMetadataBytes; ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (std::isspace(c)) continue;
        if (!std::isxdigit(c)) return std::nullopt;
        const int nibble = std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10;
        if (high < 0) {
            high = nibble;
        } else {
            bytes.push_back(static_cast<char>(high << 4 | nibble));
            high = -1;
        }
    }
    return bytes;
}

std::string RawProfileChunk(std::string_view name, std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string data = "Raw profile type ";
    data.append(name);
    data.push_back('\0');
    data += "\n";
    data.append(name);
    data += "\n" + std::to_string(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 36 == 0) data += '\n';
        const auto b = static_cast<unsigned char>(bytes[i]);
        data += kHex[b >> 4];
        data += kHex[b & 15];
    }
    data += '\n';
    return PngChunkBytes("tEXt", data);
}

std::optional<PngText> ReadPngText(const PngChunk& chunk) {
    const std::string_view keyword = Keyword(chunk.data);
    if (keyword.empty()) return std::nullopt;
    std::string_view rest = chunk.data.substr(keyword.size() + 1);
    if (chunk.type == "tEXt") return PngText{keyword, std::string(rest)};
    if (chunk.type == "zTXt") {
        if (rest.empty()) return std::nullopt;
        std::optional<std::string> text = Inflate(rest.substr(1));  // after the method
        if (!text) return std::nullopt;
        return PngText{keyword, std::move(*text)};
    }
    if (chunk.type != "iTXt") return std::nullopt;
    // Compressed flag, method, language tag, NUL, translated keyword, NUL.
    if (rest.size() < 2) return std::nullopt;
    const bool compressed = rest[0] != '\0';
    std::size_t at = 2;
    for (int field = 0; field < 2; ++field) {
        const std::size_t nul = rest.find('\0', at);
        if (nul == std::string_view::npos) return std::nullopt;
        at = nul + 1;
    }
    if (!compressed) return PngText{keyword, std::string(rest.substr(at))};
    std::optional<std::string> text = Inflate(rest.substr(at));
    if (!text) return std::nullopt;
    return PngText{keyword, std::move(*text)};
}

std::string PngXmpChunkData(std::string_view xmp) {
    std::string data(kXmpKeyword);
    // NUL, not compressed, method 0, no language tag, no translated keyword.
    data.append("\0\0\0\0\0"sv);
    data.append(xmp);
    return data;
}

std::string PngChunkBytes(std::string_view type, std::string_view data) {
    std::string out;
    out.reserve(data.size() + 12);
    AppendBigEndian32(out, static_cast<std::uint32_t>(data.size()));
    out.append(type);
    out.append(data);
    uLong crc = crc32(0L, Z_NULL, 0);
    crc = crc32(crc, reinterpret_cast<const Bytef*>(type.data()), 4);
    crc = crc32_z(crc, reinterpret_cast<const Bytef*>(data.data()), data.size());
    AppendBigEndian32(out, static_cast<std::uint32_t>(crc));
    return out;
}

std::string PngWithMetadata(std::string_view png, std::string_view exif, std::string_view xmp,
                            std::string_view icc) {
    bool whole = false;
    const std::vector<PngChunk> chunks = PngChunks(png, &whole);
    if (!whole || chunks.front().type != "IHDR") return std::string(png);
    std::string inserted;
    if (!icc.empty()) {
        const std::string compressed = Deflate(icc);
        if (!compressed.empty()) {
            std::string data = "ICC Profile";
            data.push_back('\0');
            data.push_back('\0');  // compression method: zlib
            data += compressed;
            inserted += PngChunkBytes("iCCP", data);
        }
    }
    if (!exif.empty()) inserted += PngChunkBytes("eXIf", exif);
    if (!xmp.empty()) inserted += PngChunkBytes("iTXt", PngXmpChunkData(xmp));
    std::string out(png.substr(0, kSignature.size()));
    out.reserve(png.size() + inserted.size());
    for (const PngChunk& chunk : chunks) {
        const std::string_view keyword = Keyword(chunk.data);
        const bool dropped = chunk.type == "eXIf" || chunk.type == "iCCP" ||
                             (chunk.type == "sRGB" && !icc.empty()) ||
                             (chunk.type == "iTXt" && keyword == kXmpKeyword) ||
                             ((chunk.type == "zTXt" || chunk.type == "tEXt") &&
                              keyword.substr(0, 16) == "Raw profile type");
        if (dropped) continue;
        out.append(png.substr(chunk.start, chunk.end - chunk.start));
        if (chunk.type == "IHDR") out += inserted;
    }
    return out;
}
