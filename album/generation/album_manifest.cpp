#include "album/generation/album_manifest.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <vector>

namespace {

std::string Hex128(const XXH128_hash_t& hash) {
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash.high64),
                  static_cast<unsigned long long>(hash.low64));
    return text;
}

// The length of the UTF-8 character starting at text[i], or 0 when the bytes there are not one
// (a stray continuation byte, an overlong form, a surrogate, a character cut short).
std::size_t Utf8Length(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    if (byte(i + 1) < low || byte(i + 1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return length;
}

void AppendString(std::string& out, std::string_view text) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
            ++i;
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        } else if (const std::size_t length = Utf8Length(text, i); length > 0) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            // A byte of a name in another encoding: kept as a lone low surrogate, which no UTF-8
            // text holds, so that it reads back as that byte.
            out += "\\udc";
            out += kHex[c >> 4];
            out += kHex[c & 15];
            ++i;
        }
    }
    out += '"';
}

void AppendVersion(std::string& out, const FileVersion& v) {
    out += "\"size\":" + std::to_string(v.size) + ",\"mtime_ns\":" + std::to_string(v.modified_ns) +
           ",\"ctime_ns\":" + std::to_string(v.changed_ns) +
           ",\"inode\":" + std::to_string(v.inode);
}

// A reader of the JSON this file writes, and of any JSON of the same shape: objects, strings and
// whole numbers (arrays, fractions, true, false and null are not part of the format).
class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool AtEnd() {
        SkipBlanks();
        return at_ == text_.size();
    }
    bool Take(char c) {
        SkipBlanks();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Peek(char c) {
        SkipBlanks();
        return at_ < text_.size() && text_[at_] == c;
    }
    std::optional<std::string> String() {
        if (!Take('"')) return std::nullopt;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) return std::nullopt;
            const char e = text_[at_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    if (at_ + 4 > text_.size()) return std::nullopt;
                    unsigned code = 0;
                    const auto [end, error] =
                        std::from_chars(text_.data() + at_, text_.data() + at_ + 4, code, 16);
                    if (error != std::errc() || end != text_.data() + at_ + 4) return std::nullopt;
                    at_ += 4;
                    if (code >= 0xDC80 && code <= 0xDCFF) {
                        out += static_cast<char>(code - 0xDC00);
                    } else if (code >= 0xD800 && code <= 0xDFFF) {
                        return std::nullopt;
                    } else if (code < 0x80) {
                        out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        out += static_cast<char>(0xC0 | (code >> 6));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (code >> 12));
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default:
                    return std::nullopt;
            }
        }
        return std::nullopt;
    }
    std::optional<std::int64_t> Number() {
        SkipBlanks();
        std::int64_t value = 0;
        const auto [end, error] =
            std::from_chars(text_.data() + at_, text_.data() + text_.size(), value);
        if (error != std::errc()) return std::nullopt;
        at_ = static_cast<std::size_t>(end - text_.data());
        // A fraction or an exponent is no whole number.
        if (at_ < text_.size() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E'))
            return std::nullopt;
        return value;
    }
    // Reads "{ key: value, ... }", calling `member(key)` at each value; false when the text is
    // not such an object or `member` refuses.
    template <typename Member>
    bool Object(Member&& member) {
        if (!Take('{')) return false;
        if (Take('}')) return true;
        do {
            const std::optional<std::string> key = String();
            if (!key || !Take(':') || !member(*key)) return false;
        } while (Take(','));
        return Take('}');
    }
    // Passes over one value of any of the format's kinds (a member a later minor change added).
    bool SkipValue(int depth = 0) {
        if (depth > 16) return false;
        if (Peek('"')) return String().has_value();
        if (Peek('{')) return Object([&](const std::string&) { return SkipValue(depth + 1); });
        return Number().has_value();
    }

  private:
    void SkipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t'))
            ++at_;
    }
    std::string_view text_;
    std::size_t at_ = 0;
};

// Reads one of the version fields of an entry into `v`; false for any other key's failure.
bool VersionMember(Reader& reader, const std::string& key, FileVersion& v, bool& known) {
    std::int64_t* field = key == "size"       ? &v.size
                          : key == "mtime_ns" ? &v.modified_ns
                          : key == "ctime_ns" ? &v.changed_ns
                                              : nullptr;
    known = field != nullptr || key == "inode";
    if (!known) return true;
    const std::optional<std::int64_t> number = reader.Number();
    if (!number) return false;
    if (field != nullptr) {
        *field = *number;
    } else {
        v.inode = static_cast<std::uint64_t>(*number);
    }
    return true;
}

bool IsHash(const std::string& text) {
    if (text.size() != 32) return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace

std::string ContentHash(std::string_view bytes) {
    return Hex128(XXH3_128bits(bytes.data(), bytes.size()));
}

std::optional<std::string> FileContentHash(const std::string& path) {
    const int fd = OpenRegularFile(path);
    if (fd < 0) return std::nullopt;
    XXH3_state_t* state = XXH3_createState();
    if (state == nullptr) {
        ::close(fd);
        return std::nullopt;
    }
    XXH3_128bits_reset(state);
    std::vector<char> block(1 << 20);
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        XXH3_128bits_update(state, block.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    const XXH128_hash_t hash = XXH3_128bits_digest(state);
    XXH3_freeState(state);
    if (!ok) return std::nullopt;
    return Hex128(hash);
}

std::string FolderIdentityText(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return std::to_string(static_cast<std::uint64_t>(st.st_dev)) + ":" +
           std::to_string(static_cast<std::uint64_t>(st.st_ino));
}

std::string RenderAlbumManifest(const AlbumManifest& manifest) {
    std::string out = "{\"format\":\"pictavo-album-manifest\",\"version\":" +
                      std::to_string(kAlbumManifestVersion) + ",\n\"folder\":";
    AppendString(out, manifest.folder);
    out += ",\n\"sources\":{";
    const char* separator = "\n";
    for (const auto& [name, source] : manifest.sources) {
        out += separator;
        AppendString(out, name);
        out += ":{";
        AppendVersion(out, source.version);
        out += ",\"hash\":";
        AppendString(out, source.hash);
        out += "}";
        separator = ",\n";
    }
    out += "},\n\"outputs\":{";
    separator = "\n";
    for (const auto& [path, output] : manifest.outputs) {
        out += separator;
        AppendString(out, path);
        out += ":{\"recipe\":";
        AppendString(out, output.recipe);
        out += ",\"hash\":";
        AppendString(out, output.hash);
        out += ",";
        AppendVersion(out, output.version);
        out += "}";
        separator = ",\n";
    }
    out += "}}\n";
    return out;
}

std::optional<AlbumManifest> ParseAlbumManifest(std::string_view text) {
    Reader reader(text);
    AlbumManifest manifest;
    bool format = false;
    bool version = false;
    const bool read = reader.Object([&](const std::string& key) {
        if (key == "format") {
            const std::optional<std::string> value = reader.String();
            format = value && *value == "pictavo-album-manifest";
            return value.has_value();
        }
        if (key == "version") {
            const std::optional<std::int64_t> value = reader.Number();
            version = value && *value >= 1 && *value <= kAlbumManifestVersion;
            return value.has_value();
        }
        if (key == "folder") {
            std::optional<std::string> value = reader.String();
            if (value) manifest.folder = std::move(*value);
            return value.has_value();
        }
        if (key == "sources") {
            return reader.Object([&](const std::string& name) {
                ManifestSource source;
                const bool entry = reader.Object([&](const std::string& field) {
                    bool known = false;
                    if (!VersionMember(reader, field, source.version, known)) return false;
                    if (known) return true;
                    if (field != "hash") return reader.SkipValue();
                    std::optional<std::string> hash = reader.String();
                    if (hash) source.hash = std::move(*hash);
                    return hash.has_value();
                });
                if (!entry || !IsHash(source.hash)) return false;
                manifest.sources[name] = std::move(source);
                return true;
            });
        }
        if (key == "outputs") {
            return reader.Object([&](const std::string& path) {
                ManifestOutput output;
                const bool entry = reader.Object([&](const std::string& field) {
                    bool known = false;
                    if (!VersionMember(reader, field, output.version, known)) return false;
                    if (known) return true;
                    std::string* value = field == "recipe" ? &output.recipe
                                         : field == "hash" ? &output.hash
                                                           : nullptr;
                    if (value == nullptr) return reader.SkipValue();
                    std::optional<std::string> got = reader.String();
                    if (got) *value = std::move(*got);
                    return got.has_value();
                });
                // A path that could lead out of the album's folder is no file the album wrote.
                const bool inside = !path.empty() && path.front() != '/' &&
                                    ("/" + path + "/").find("/../") == std::string::npos &&
                                    ("/" + path + "/").find("/./") == std::string::npos;
                if (!entry || !inside || !IsHash(output.hash) ||
                    (!output.recipe.empty() && !IsHash(output.recipe)))
                    return false;
                manifest.outputs[path] = std::move(output);
                return true;
            });
        }
        return reader.SkipValue();
    });
    if (!read || !reader.AtEnd() || !format || !version) return std::nullopt;
    return manifest;
}
