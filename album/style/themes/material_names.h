#pragma once

#include <string>
#include <vector>

// The file names a material list offers from `folder`: every visible regular file (or link to one),
// of any extension, sorted without regard to letter case (ties in byte order, so the order
// never depends on the folder listing). A missing or unreadable folder gives an empty list.
std::vector<std::string> ListMaterialNames(const std::string& folder);

// True when two material names are equal apart from the case of their ASCII letters.
bool SameMaterialName(const std::string& a, const std::string& b);
