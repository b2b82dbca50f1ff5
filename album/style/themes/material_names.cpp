#include "album/style/themes/material_names.h"

#include <algorithm>

#include "platform/file_system.h"

namespace {

unsigned char FoldCase(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [](char x, char y) { return FoldCase(x) < FoldCase(y); });
    if (less) return true;
    if (!SameMaterialName(a, b)) return false;
    return a < b;
}

}  // namespace

bool SameMaterialName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

std::vector<std::string> ListMaterialNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const DirEntry& entry : ListDirectory(folder)) {
        if (entry.is_dir || entry.hidden) continue;
        names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}
