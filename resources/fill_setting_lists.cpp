// Fills in what a manual page or a shell completion says of the settings, from the two settings
// schemas, so that the installed files always list the keys, ranges and defaults the programs
// take. Run by the build:
//   fill_setting_lists TEMPLATE OUTPUT
// Every "%%...%%" of TEMPLATE is replaced; anything it cannot fill in fails the build:
//   %%pictavo:settings%%       (a line of its own) the manual page's list of pictavo-cli's keys
//   %%pictavo:keys%%           the keys, separated by blanks (a shell word list)
//   %%pictavo:KEY:range%%      "50 to 180"
//   %%pictavo:KEY:default%%    the default as the profile holds it
//   %%scalvo:options%%         scalvo-cli's value options ("--percent ... -o --out --overwrite")
//   %%scalvo:OPTION:range%%    "10 to 400"
//   %%scalvo:OPTION:default%%  the default ("50", "~/MyAlbum", "orig")
//   %%scalvo:OPTION:choices%%  a choice's words, separated by blanks ("orig jpeg png webp avif")
// A word list is wrapped at 100 columns, its further lines indented four blanks deeper than the
// line that holds it.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "album/settings/album_setting_schema.h"
#include "album/settings/album_settings.h"
#include "resizer/job/resizer_settings.h"

namespace {

// A text as roff shows it: "-" and "\" escaped, a leading "." or "'" kept from being a request.
std::string Roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\e";
        else if (c == '-')
            out += "\\-";
        else
            out += c;
    }
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
    return out;
}

std::string RangeWords(NumberRange range) {
    return std::to_string(range.low) + " to " + std::to_string(range.high);
}

// A number whose range the manual page states (a choice's words name its values instead).
bool HasRange(const AlbumSettingRow& row) {
    return row.kind == SettingKind::Integer && !(row.range == kAnyNumber);
}

// The manual page's entries: rows next to each other with the same words (and range) are one
// entry, their keys in bold; a range ends the sentence ("Font sizes, 1 to 7.").
std::string ManualList() {
    std::string out;
    const auto& rows = kAlbumSettingSchema;
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t end = i + 1;
        while (end < rows.size() && std::strcmp(rows[end].manual, rows[i].manual) == 0 &&
               rows[end].range == rows[i].range && HasRange(rows[end]) == HasRange(rows[i]))
            ++end;
        out += ".TP\n";
        if (end - i == 1) {
            out += ".B " + Roff(rows[i].key) + "\n";
        } else {
            out += ".BR";
            for (std::size_t k = i; k < end; ++k)
                out += std::string(k == i ? " " : " \", \" ") + Roff(rows[k].key);
            out += "\n";
        }
        std::string words = rows[i].manual;
        if (HasRange(rows[i])) words += ", " + RangeWords(rows[i].range);
        out += Roff(words + ".") + "\n";
        i = end;
    }
    return out;
}

// Words joined by blanks, wrapped at 100 columns; `column` is where the first one starts and
// `indent` begins every further line.
std::string WordList(const std::vector<std::string>& words, std::size_t column,
                     const std::string& indent) {
    std::string out;
    std::size_t at = column;
    for (const std::string& word : words) {
        if (!out.empty()) {
            if (at + 1 + word.size() > 100) {
                out += "\n" + indent;
                at = indent.size();
            } else {
                out += " ";
                ++at;
            }
        }
        out += word;
        at += word.size();
    }
    return out;
}

std::vector<std::string> AlbumKeys() {
    std::vector<std::string> keys;
    for (const AlbumSettingRow& row : kAlbumSettingSchema) keys.push_back(row.key);
    return keys;
}

std::vector<std::string> ResizerOptions() {
    std::vector<std::string> options;
    for (const ResizerSettingRow& row : kResizerSettingSchema) {
        if (row.short_option != 0) options.push_back(std::string("-") + row.short_option);
        options.push_back(std::string("--") + row.option);
    }
    return options;
}

std::optional<std::string> AlbumValue(const std::string& key, const std::string& field) {
    const AlbumSettingRow* row = FindSetting(key);
    if (row == nullptr) return std::nullopt;
    if (field == "default") return SettingText(*row, AlbumSettings{});
    if (field == "range" && HasRange(*row)) return RangeWords(row->range);
    return std::nullopt;
}

std::optional<std::string> ResizerValue(const std::string& option, const std::string& field) {
    const ResizerSettingRow* row = FindResizerSetting(option);
    if (row == nullptr) return std::nullopt;
    const ResizerSettings defaults;
    if (const ResizerNumber* number = std::get_if<ResizerNumber>(&row->member)) {
        if (field == "range") return RangeWords(row->range);
        if (field == "default") return std::to_string(defaults.*(*number));
    } else if (const ResizerText* text = std::get_if<ResizerText>(&row->member)) {
        if (field == "default") return defaults.*(*text);
    } else if (const ResizerChoice* choice = std::get_if<ResizerChoice>(&row->member)) {
        if (field == "default")
            return std::string(row->words[static_cast<std::size_t>(defaults.*(*choice))]);
        if (field == "choices") {
            std::string words;
            for (const std::string_view word : row->words)
                words += (words.empty() ? "" : " ") + std::string(word);
            return words;
        }
    }
    return std::nullopt;
}

// What one placeholder (without its "%%") stands for; `column` and `indent` place a word list.
std::optional<std::string> Fill(const std::string& name, std::size_t column,
                                const std::string& indent) {
    if (name == "pictavo:keys") return WordList(AlbumKeys(), column, indent + "    ");
    if (name == "scalvo:options") return WordList(ResizerOptions(), column, indent + "    ");
    const std::size_t first = name.find(':');
    const std::size_t last = name.rfind(':');
    if (first == std::string::npos || first == last) return std::nullopt;
    const std::string program = name.substr(0, first);
    const std::string item = name.substr(first + 1, last - first - 1);
    const std::string field = name.substr(last + 1);
    if (program == "pictavo") return AlbumValue(item, field);
    if (program == "scalvo") return ResizerValue(item, field);
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: fill_setting_lists TEMPLATE OUTPUT\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::cerr << argv[1] << ": cannot be read\n";
        return 1;
    }
    std::istringstream lines(std::string(std::istreambuf_iterator<char>(in), {}));
    std::string out;
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line == "%%pictavo:settings%%") {
            out += ManualList();
            continue;
        }
        const std::string indent = line.substr(0, line.find_first_not_of(" \t"));
        std::string filled;
        std::size_t at = 0;
        for (std::size_t open; (open = line.find("%%", at)) != std::string::npos;) {
            const std::size_t close = line.find("%%", open + 2);
            const std::string name =
                close == std::string::npos ? "" : line.substr(open + 2, close - open - 2);
            filled += line.substr(at, open - at);
            const std::optional<std::string> value = Fill(name, filled.size(), indent);
            if (!value) {
                std::cerr << argv[1] << ":" << number << ": nothing to fill in for \"%%" << name
                          << "%%\"\n";
                return 1;
            }
            filled += *value;
            at = close + 2;
        }
        out += filled + line.substr(at) + "\n";
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(argv[2]).parent_path(), ec);
    std::ofstream file(argv[2], std::ios::binary | std::ios::trunc);
    file << out;
    if (!file.flush()) {
        std::cerr << argv[2] << ": cannot be written\n";
        return 1;
    }
    return 0;
}
