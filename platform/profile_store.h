#pragma once

#include <memory>
#include <string>

// A private-profile (INI) file with the Windows rules: "[section]" lines followed by "key=value"
// lines. Reads: a missing file, section or key gives the default; an integer is read as optional
// blanks, an optional sign and the leading digits (0 when there are none); a text is cut at 4095
// bytes. Writes: the key is updated in place (or added at the end of its section, the section at
// the end of the file) and every other line is kept; the file is replaced atomically (temporary
// file, then rename), so a failed write leaves the old file whole. On disk the text is CP932; a
// file that holds a character CP932 cannot store is written as UTF-8 instead, and files are read as
// UTF-8 when they are valid UTF-8, else as CP932. Section and key names compare without regard to
// ASCII case. Only the first kStoredTextReadLimit bytes of a file are read (to the end of the last
// whole line there); a longer file is never written to, so nothing beyond that point is lost.
class ProfileStore {
  public:
    // One reading of the file: every read answers from the file as it was when the snapshot was
    // taken, so a caller that reads many keys (all the settings) reads the file once.
    class Snapshot {
      public:
        int ReadInt(const std::string& section, const std::string& key, int def) const;
        std::string ReadText(const std::string& section, const std::string& key,
                             const std::string& def) const;

      private:
        friend class ProfileStore;
        struct File;
        std::shared_ptr<const File> file_;
    };

    // path: the profile file (UTF-8 path). The file is read at every call, as the platform does.
    explicit ProfileStore(std::string path);

    const std::string& Path() const { return path_; }

    // Reads the file now.
    Snapshot Read() const;

    int ReadInt(const std::string& section, const std::string& key, int def) const;
    std::string ReadText(const std::string& section, const std::string& key,
                         const std::string& def) const;
    // Both return false when the file could not be written (callers may ignore it).
    bool WriteInt(const std::string& section, const std::string& key, int value);
    bool WriteText(const std::string& section, const std::string& key, const std::string& value);

  private:
    std::string path_;
};
