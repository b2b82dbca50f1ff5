#include "album/shell/help_page.h"

#include "platform/file_system.h"

std::string FindHelpPage(const std::string& start_directory, const std::string& program_folder) {
    const std::string in_start = start_directory + kHelpPageName;
    const std::string candidates[] = {
        in_start,
        program_folder.empty() ? std::string()
                               : program_folder + "../share/pictavo/" + kHelpPageName,
        start_directory + "resources/help/" + kHelpPageName,
    };
    for (const std::string& candidate : candidates)
        if (!candidate.empty() && PathExists(candidate)) return candidate;
    return in_start;
}
