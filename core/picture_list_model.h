#pragma once

#include <string>
#include <vector>

#include "platform/picture_selection.h"

// Which pictures a folder listing keeps, by the extension of the name in any letter case: the
// album maker takes every kind of the registry (core/image_kind.h), the resizer every kind it can
// decode and write (all but GIF).
enum class PictureFilter { Album, Resizer };

// The data of the picture list: one line per picture file, kept in ascending case-insensitive order
// of the text, each with a check state and, once needed, an attribute record (comment and quarter
// turns). CPictureList shows it; jobs read it through PictureSelection.
class PictureListModel : public PictureSelection {
  public:
    // Clear, then one unchecked line per visible picture file of `folder`: regular files and links
    // to them only (folders, hidden entries, FIFOs, sockets and devices skipped), each under the
    // bytes of its name. An empty folder text lists the root folder "/".
    void Fill(const std::string& folder, PictureFilter filter);
    // What Reread changed: the indices the removed lines had (ascending) and the indices the new
    // lines have now (ascending).
    struct Changes {
        std::vector<int> removed;
        std::vector<int> added;
        bool Empty() const { return removed.empty() && added.empty(); }
    };
    // Reads `folder` again as Fill would list it: lines of pictures no longer there are removed,
    // pictures new there are inserted unchecked in their sorted places (after the lines that
    // compare equal), and every other line keeps its check mark, comment and turns.
    Changes Reread(const std::string& folder, PictureFilter filter);
    // Removes every line and every attribute record.
    void Clear();
    // Inserts a line in sorted position (after lines that compare equal) and returns its index.
    int InsertPicture(const std::string& name, bool checked);

    int Count() const { return static_cast<int>(lines_.size()); }
    // The index of the line whose text is exactly `name`, or -1 (a search of the sorted lines).
    int IndexOf(const std::string& name) const;
    bool IsChecked(int index) const;
    void SetChecked(int index, bool checked);

    // With a record: the comment becomes `text` (also when empty). Without one: an empty text does
    // nothing, another creates the record (rotation 0).
    void SetComment(int index, const std::string& text);
    // With a record: rotation + 1. Without one: creates a record with rotation 1.
    void AddQuarterTurn(int index);
    // With a record: rotation 0, for a picture whose file now stands as it was turned. Without
    // one: nothing.
    void ClearQuarterTurns(int index);
    // True when the line has an attribute record.
    bool HasRecord(int index) const;
    // Number of attribute records (records are freed only by Clear).
    int RecordCount() const { return static_cast<int>(records_.size()); }

    int CheckedCount() const override;
    int FirstChecked() const override;
    int NextChecked(int index) const override;
    std::string ItemText(int index) const override;
    std::string GetComment(int index) const override;
    int GetQuarterTurns(int index) const override;

  private:
    struct Record {
        std::string comment;
        int rotation = 0;
    };
    struct Line {
        std::string text;
        bool checked = false;
        int record = -1;  // index into records_, -1 without one
    };
    bool Valid(int index) const { return index >= 0 && index < Count(); }

    std::vector<Line> lines_;
    std::vector<Record> records_;  // in creation order
};
