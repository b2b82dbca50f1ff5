#pragma once

#include <memory>
#include <string>
#include <vector>

// How a write of the profile ended. The file is replaced whole or left exactly as it was.
struct ProfileWriteStatus {
    enum class Outcome {
        Written,
        // The file would be longer than the reader reads (kStoredTextReadLimit), or already is.
        TooLarge,
        // The file could not be replaced (no permission, a full disk, a folder in its place).
        NotWritten,
    };
    Outcome outcome = Outcome::Written;
    int error = 0;  // NotWritten: the errno value of the failed replace, 0 when not known

    bool Written() const { return outcome == Outcome::Written; }
};

// A private-profile (INI) file with the Windows rules: "[section]" lines followed by "key=value"
// lines. Reads: a missing file, section or key gives the default; an integer is read as optional
// blanks, an optional sign and the leading digits (0 when there are none); a text is cut at 4095
// bytes. Writes: the key is updated in place (or added at the end of its section, the section at
// the end of the file) and every other line is kept; the file is replaced atomically (temporary
// file, then rename), so a failed write leaves the old file whole. On disk the text is CP932; a
// file that holds a character CP932 cannot store is written as UTF-8 instead, and files are read as
// UTF-8 when they are valid UTF-8, else as CP932. Section and key names compare without regard to
// ASCII case. Only the first kStoredTextReadLimit bytes of a file are read (to the end of the last
// whole line there); a longer file is never written to, so nothing beyond that point is lost, and
// no write makes a file longer than that.
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

    // One key and its text, for WriteSection.
    struct Value {
        std::string key;
        std::string text;
    };
    // Sets every key of `values` in `section`, in their order, as WriteText would one by one, and
    // replaces the file once: afterwards it holds all of them, or nothing has changed.
    ProfileWriteStatus WriteSection(const std::string& section, const std::vector<Value>& values);

  private:
    std::string path_;
};
