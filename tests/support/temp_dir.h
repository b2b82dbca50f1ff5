#pragma once

#include <map>
#include <string>

// A fresh folder under the system's temporary folder, removed with everything in it when the object
// goes out of scope. Path() has no trailing separator.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    // Path() + "/" + relative.
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  private:
    std::string path_;
};

// Writes bytes to a file, creating its parent folders. Returns false on failure.
bool WriteTestFile(const std::string& path, const std::string& bytes);
// The whole file, or an empty text when it cannot be read.
std::string ReadTestFile(const std::string& path);
// Every file below `folder` (hidden ones included) by its path relative to `folder`, with its
// bytes: two states of a folder compare in one check.
std::map<std::string, std::string> FolderContents(const std::string& folder);
// tests/data + "/" + relative.
std::string TestDataPath(const std::string& relative);
// The project's source folder + "/" + relative.
std::string SourcePath(const std::string& relative);
