#include "resizer/job/resizer_settings.h"

std::string ResizerSettings::DefaultOutputFolder() {
#if defined(_WIN32)
    return "C:\\MyAlbum";
#else
    return "~/MyAlbum";
#endif
}

const ResizerSettingRow* FindResizerSetting(std::string_view option) {
    for (const ResizerSettingRow& row : kResizerSettingSchema) {
        if (option == row.option) return &row;
    }
    return nullptr;
}

const OutputFormatChoice& ChoiceOf(OutputFormat format) {
    for (const OutputFormatChoice& choice : kOutputFormats)
        if (choice.format == format) return choice;
    return kOutputFormats[0];
}
