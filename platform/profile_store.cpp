#include "platform/profile_store.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_encoding.h"

namespace {

// The longest text a read gives back, in bytes (the platform reads into a 4096-byte buffer).
constexpr size_t kMaxTextBytes = 4095;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == 0x1A;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// One line of the file, as read (raw bytes, without its line break) and as text (UTF-8).
struct Line {
    std::string raw;
    std::string text;
};

// The file split into lines, with what is needed to write it back unchanged where untouched.
struct ProfileFile {
    std::vector<Line> lines;
    bool exists = false;
    bool raw_is_utf8 = true;  // the raw bytes are UTF-8 (else CP932)
    bool had_bom = false;     // a UTF-8 byte-order mark preceded the first line
    bool ends_with_break = true;
    std::string line_break = "\r\n";
    bool cut = false;  // the file is longer than what was read
};

ProfileFile LoadFile(const std::string& path) {
    ProfileFile file;
    std::string bytes;
    if (!ReadFileStart(path, kStoredTextReadLimit + 1, bytes)) return file;
    file.exists = true;
    if (bytes.size() > kStoredTextReadLimit) {
        // Read as far as the limit, to the end of the last whole line there.
        file.cut = true;
        bytes.resize(kStoredTextReadLimit);
        const std::size_t last_break = bytes.rfind('\n');
        bytes.resize(last_break == std::string::npos ? 0 : last_break + 1);
    }
    std::string_view view = bytes;
    file.raw_is_utf8 = IsValidUtf8(view);
    if (file.raw_is_utf8 && view.substr(0, 3) == "\xEF\xBB\xBF") {
        file.had_bom = true;
        view.remove_prefix(3);
    }
    if (view.empty()) return file;
    // Keep the file's own line breaks for the lines we add.
    size_t first_lf = view.find('\n');
    if (first_lf != std::string_view::npos) {
        file.line_break = (first_lf > 0 && view[first_lf - 1] == '\r') ? "\r\n" : "\n";
    }
    file.ends_with_break = view.back() == '\n';
    // A line feed is never part of a CP932 double-byte character, so splitting bytes is safe.
    // Counted first, the lines are never moved while the list grows.
    file.lines.reserve(static_cast<size_t>(std::count(view.begin(), view.end(), '\n')) + 1);
    size_t start = 0;
    while (start < view.size()) {
        size_t end = view.find('\n', start);
        if (end == std::string_view::npos) end = view.size();
        std::string_view raw = view.substr(start, end - start);
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        line.text = file.raw_is_utf8 ? line.raw : Cp932ToUtf8(raw);
        file.lines.push_back(std::move(line));
        start = end + 1;
    }
    return file;
}

// The section name of a "[name]" line (text up to the last "]"), or nothing for other lines.
std::optional<std::string_view> SectionName(std::string_view text) {
    std::string_view t = Trim(text);
    if (t.empty() || t.front() != '[') return std::nullopt;
    size_t close = t.rfind(']');
    if (close == std::string_view::npos || close == 0) return std::nullopt;
    return t.substr(1, close - 1);
}

// Splits a "key=value" line; false for lines without "=".
bool SplitKeyLine(std::string_view text, std::string_view& key, std::string_view& value) {
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) return false;
    key = Trim(text.substr(0, eq));
    value = Trim(text.substr(eq + 1));
    return true;
}

// Where a key sits in the file: the index of its line (-1 when absent), and of its section's
// header and last non-blank line (-1 when the section is absent).
struct Location {
    int key_line = -1;
    int section_line = -1;
    int section_last = -1;
};

Location Find(const ProfileFile& file, std::string_view section, std::string_view key) {
    Location loc;
    bool inside = false;
    for (int i = 0; i < static_cast<int>(file.lines.size()); ++i) {
        const std::string& text = file.lines[i].text;
        if (std::optional<std::string_view> name = SectionName(text)) {
            // Only the first section of a name counts, as for the platform's own reader.
            if (loc.section_line >= 0 && inside) break;
            inside = loc.section_line < 0 && EqualNoCase(*name, section);
            if (inside) {
                loc.section_line = i;
                loc.section_last = i;
            }
            continue;
        }
        if (!inside) continue;
        if (!Trim(text).empty()) loc.section_last = i;
        std::string_view k, v;
        if (loc.key_line < 0 && SplitKeyLine(text, k, v) && EqualNoCase(k, key)) loc.key_line = i;
    }
    return loc;
}

// The stored value of a key, with one pair of matching quotes removed as the platform does.
std::optional<std::string> Lookup(const ProfileFile& file, const std::string& section,
                                  const std::string& key) {
    Location loc = Find(file, section, key);
    if (loc.key_line < 0) return std::nullopt;
    std::string_view k, v;
    SplitKeyLine(file.lines[loc.key_line].text, k, v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return std::string(v);
}

// A value as written on its line. Reading trims blanks and removes one pair of matching quotes,
// so a value that would lose either is put in double quotes; it then reads back unchanged. A
// line break cannot be held by one line and would start a new key or section, so it becomes a
// blank.
std::string EncodeValue(const std::string& value) {
    std::string v = value;
    for (char& c : v) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    bool needs_quotes = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        needs_quotes = true;
    }
    return needs_quotes ? "\"" + v + "\"" : v;
}

// Serialises the file: CP932 when every line can be held in it (untouched CP932 lines keep their
// very bytes), else UTF-8, so that no character is ever replaced by another.
std::string Serialise(const ProfileFile& file, const std::vector<bool>& changed) {
    std::string out;
    bool cp932_ok = true;
    for (size_t i = 0; i < file.lines.size() && cp932_ok; ++i) {
        if (!changed[i] && !file.raw_is_utf8) {
            out += file.lines[i].raw;
        } else if (std::optional<std::string> bytes = Utf8ToCp932(file.lines[i].text)) {
            out += *bytes;
        } else {
            cp932_ok = false;
        }
        if (i + 1 < file.lines.size() || file.ends_with_break) out += file.line_break;
    }
    if (cp932_ok) return out;

    out = file.had_bom ? "\xEF\xBB\xBF" : "";
    for (size_t i = 0; i < file.lines.size(); ++i) {
        out += (!changed[i] && file.raw_is_utf8) ? file.lines[i].raw : file.lines[i].text;
        if (i + 1 < file.lines.size() || file.ends_with_break) out += file.line_break;
    }
    return out;
}

// Sets one key in the file as read: the key's line is updated in place (its spelling kept), or a
// line is added at the end of its section, or the section is added at the end of the file.
void SetValue(ProfileFile& file, std::vector<bool>& changed, const std::string& section,
              const std::string& key, const std::string& value) {
    Location loc = Find(file, section, key);
    const std::string encoded = EncodeValue(value);

    if (loc.key_line >= 0) {
        // Keep the key as it was spelt in the file; only the value changes.
        std::string_view k, v;
        SplitKeyLine(file.lines[loc.key_line].text, k, v);
        file.lines[loc.key_line].text = std::string(k) + "=" + encoded;
        changed[loc.key_line] = true;
        return;
    }
    Line line;
    line.text = key + "=" + encoded;
    if (loc.section_line >= 0) {
        file.lines.insert(file.lines.begin() + loc.section_last + 1, line);
        changed.insert(changed.begin() + loc.section_last + 1, true);
    } else {
        if (!file.lines.empty() && !Trim(file.lines.back().text).empty()) {
            file.lines.push_back(Line{});
            changed.push_back(true);
        }
        file.lines.push_back(Line{"", "[" + section + "]"});
        changed.push_back(true);
        file.lines.push_back(line);
        changed.push_back(true);
    }
    // A line added at the very end must not run into the next write.
    if (loc.section_line < 0 || loc.section_last + 2 == static_cast<int>(file.lines.size())) {
        file.ends_with_break = true;
    }
}

ProfileWriteStatus Store(const std::string& path, const std::string& section,
                         const std::vector<ProfileStore::Value>& values) {
    ProfileFile file = LoadFile(path);
    // Writing back what was read of a longer file would cut off the rest.
    if (file.cut) return {ProfileWriteStatus::Outcome::TooLarge, 0};
    std::vector<bool> changed(file.lines.size(), false);
    for (const ProfileStore::Value& value : values) {
        SetValue(file, changed, section, value.key, value.text);
    }
    const std::string bytes = Serialise(file, changed);
    // A file the reader would stop short of would lose its last keys at the next start: it is
    // not written at all, and the file already there stays as it is.
    if (bytes.size() > kStoredTextReadLimit) return {ProfileWriteStatus::Outcome::TooLarge, 0};

    // Settings are kept in the user's configuration folder, which may not exist yet.
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    // A profile kept elsewhere behind a link (a dotfiles folder) stays where it is.
    ReplaceFailure failure;
    if (!ReplaceFile(ResolvedPath(path), bytes, &failure)) {
        return {ProfileWriteStatus::Outcome::NotWritten, failure.error};
    }
    return {};
}

}  // namespace

struct ProfileStore::Snapshot::File {
    ProfileFile file;
};

ProfileStore::ProfileStore(std::string path) : path_(std::move(path)) {}

ProfileStore::Snapshot ProfileStore::Read() const {
    Snapshot snapshot;
    snapshot.file_ = std::make_shared<const Snapshot::File>(Snapshot::File{LoadFile(path_)});
    return snapshot;
}

int ProfileStore::ReadInt(const std::string& section, const std::string& key, int def) const {
    return Read().ReadInt(section, key, def);
}

std::string ProfileStore::ReadText(const std::string& section, const std::string& key,
                                   const std::string& def) const {
    return Read().ReadText(section, key, def);
}

int ProfileStore::Snapshot::ReadInt(const std::string& section, const std::string& key,
                                    int def) const {
    std::optional<std::string> value = Lookup(file_->file, section, key);
    // An empty value reads as the default, as with the platform's reader.
    if (!value || value->empty()) return def;
    std::string_view s = *value;
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int64_t magnitude = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        // Saturate rather than overflow on absurd digit strings.
        magnitude = std::min<int64_t>(magnitude * 10 + (s[i] - '0'), int64_t{INT_MAX} + 1);
    }
    int64_t result = negative ? -magnitude : magnitude;
    if (result > INT_MAX) result = INT_MAX;
    return static_cast<int>(result);
}

std::string ProfileStore::Snapshot::ReadText(const std::string& section, const std::string& key,
                                             const std::string& def) const {
    std::optional<std::string> value = Lookup(file_->file, section, key);
    if (!value) return def;
    if (value->size() > kMaxTextBytes) {
        // Cut at 4095 bytes, but never inside a UTF-8 character.
        size_t cut = kMaxTextBytes;
        while (cut > 0 && (static_cast<unsigned char>((*value)[cut]) & 0xC0) == 0x80) --cut;
        value->resize(cut);
    }
    return *value;
}

bool ProfileStore::WriteInt(const std::string& section, const std::string& key, int value) {
    return WriteText(section, key, std::to_string(value));
}

bool ProfileStore::WriteText(const std::string& section, const std::string& key,
                             const std::string& value) {
    return WriteSection(section, {{key, value}}).Written();
}

ProfileWriteStatus ProfileStore::WriteSection(const std::string& section,
                                              const std::vector<Value>& values) {
    return Store(path_, section, values);
}
