#include "album/style/themes/material_names.h"

#include <algorithm>

#include "core/path_helpers.h"
#include "platform/file_system.h"

namespace {

// Case-insensitive order, with names that differ only in case kept apart in a fixed order.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
    const int order = CompareNoCase(a, b);
    return order != 0 ? order < 0 : a < b;
}

}  // namespace

bool SameMaterialName(const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) == 0;
}

std::vector<std::string> ListMaterialNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const DirEntry& entry : ListDirectory(folder)) {
        if (!entry.is_file || entry.hidden) continue;  // a FIFO or device is no material
        names.push_back(entry.name);
    }
    std::sort(names.begin(), names.end(), LessIgnoringCase);
    return names;
}
