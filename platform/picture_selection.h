#pragma once

#include <string>

// The read-only view of a picture list that jobs and page writers use. Indices are 0-based lines in
// display order (case-insensitive order of the file names).
class PictureSelection {
  public:
    virtual ~PictureSelection() = default;

    // Number of checked lines.
    virtual int CheckedCount() const = 0;
    // Lowest checked index, or -1 when nothing is checked.
    virtual int FirstChecked() const = 0;
    // Lowest checked index above `index`, or -1.
    virtual int NextChecked(int index) const = 0;
    // The line's text: the file name alone (UTF-8), no folder.
    virtual std::string ItemText(int index) const = 0;
    // The user's comment (may hold "\r\n" pairs); empty when none.
    virtual std::string GetComment(int index) const = 0;
    // Quarter turns asked for with the rotate button (grows without limit; users take it modulo 4).
    virtual int GetQuarterTurns(int index) const = 0;
};
