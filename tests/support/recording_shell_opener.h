#pragma once

#include <string>
#include <vector>

#include "platform/shell_opener.h"

// Records the paths it is asked to open; opens nothing.
class RecordingShellOpener : public ShellOpener {
  public:
    void OpenWithShell(const std::string& path) override { opened.push_back(path); }
    std::vector<std::string> opened;
};
