#include "core/picture_list_model.h"

#include <algorithm>
#include <unordered_set>

#include "core/path_helpers.h"
#include "platform/file_system.h"

namespace {

bool Accepts(PictureFilter filter, ImageKind kind) {
    const ImageKindInfo* info = FindImageKind(kind);
    if (info == nullptr) return false;
    // The resizer offers only what it can decode and write again (never a GIF); the album takes
    // every kind, copying what it cannot decode.
    return filter == PictureFilter::Album || (info->decoded && info->written);
}

// The names of the pictures of `folder` the filter takes, in no particular order.
std::vector<std::string> PictureNames(const std::string& folder, PictureFilter filter) {
    // An empty folder text means the root of the file system, as the search pattern alone would.
    const std::string where = folder.empty() ? std::string(1, kPathSeparator) : folder;
    std::vector<std::string> names;
    for (DirEntry& entry : ListDirectory(where)) {
        // Only regular files (or links to them) are pictures: a FIFO named like one would stop
        // every load and copy waiting for a writer.
        if (!entry.is_file || entry.hidden) continue;
        if (entry.name == "." || entry.name == "..") continue;
        if (!Accepts(filter, ImageKindOfName(entry.name))) continue;
        names.push_back(std::move(entry.name));
    }
    return names;
}

bool NameBefore(const std::string& a, const std::string& b) {
    return CompareNoCase(a, b) < 0;
}

}  // namespace

void PictureListModel::Fill(const std::string& folder, PictureFilter filter) {
    Clear();
    for (std::string& name : PictureNames(folder, filter)) {
        Line line;
        line.text = std::move(name);
        lines_.push_back(std::move(line));
    }
    // One stable sort gives the order of inserting each name after the lines that compare equal
    // to it, without moving the lines once per name (a folder of 20,000 pictures took half a
    // second that way).
    std::stable_sort(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) {
        return CompareNoCase(a.text, b.text) < 0;
    });
}

PictureListModel::Changes PictureListModel::Reread(const std::string& folder,
                                                   PictureFilter filter) {
    std::vector<std::string> names = PictureNames(folder, filter);
    const std::unordered_set<std::string> on_disk(names.begin(), names.end());
    Changes changes;
    std::vector<Line> kept;
    kept.reserve(lines_.size());
    std::unordered_set<std::string> kept_names;
    for (int i = 0; i < Count(); ++i) {
        if (on_disk.count(lines_[i].text) == 0) {
            changes.removed.push_back(i);
            continue;
        }
        kept_names.insert(lines_[i].text);
        kept.push_back(std::move(lines_[i]));
    }
    std::vector<std::string> fresh;
    for (std::string& name : names) {
        if (kept_names.count(name) == 0) fresh.push_back(std::move(name));
    }
    std::stable_sort(fresh.begin(), fresh.end(), NameBefore);
    // Both runs are in order: merged, a new name goes after the kept lines that compare equal to
    // it, as InsertPicture would put it.
    lines_.clear();
    lines_.reserve(kept.size() + fresh.size());
    std::size_t k = 0;
    for (std::size_t f = 0; f < fresh.size(); ++f) {
        while (k < kept.size() && !NameBefore(fresh[f], kept[k].text))
            lines_.push_back(std::move(kept[k++]));
        changes.added.push_back(Count());
        Line line;
        line.text = std::move(fresh[f]);
        lines_.push_back(std::move(line));
    }
    while (k < kept.size()) lines_.push_back(std::move(kept[k++]));
    return changes;
}

void PictureListModel::Clear() {
    lines_.clear();
    records_.clear();
}

int PictureListModel::InsertPicture(const std::string& name, bool checked) {
    auto pos = std::upper_bound(
        lines_.begin(), lines_.end(), name,
        [](const std::string& n, const Line& line) { return CompareNoCase(n, line.text) < 0; });
    Line line;
    line.text = name;
    line.checked = checked;
    auto it = lines_.insert(pos, std::move(line));
    return static_cast<int>(it - lines_.begin());
}

bool PictureListModel::IsChecked(int index) const {
    return Valid(index) && lines_[index].checked;
}

void PictureListModel::SetChecked(int index, bool checked) {
    if (Valid(index)) lines_[index].checked = checked;
}

void PictureListModel::SetComment(int index, const std::string& text) {
    if (!Valid(index)) return;
    Line& line = lines_[index];
    if (line.record >= 0) {
        records_[line.record].comment = text;
        return;
    }
    if (text.empty()) return;  // nothing to remember yet
    records_.push_back(Record{text, 0});
    line.record = static_cast<int>(records_.size()) - 1;
}

void PictureListModel::ClearQuarterTurns(int index) {
    if (!Valid(index) || lines_[index].record < 0) return;
    records_[lines_[index].record].rotation = 0;
}

void PictureListModel::AddQuarterTurn(int index) {
    if (!Valid(index)) return;
    Line& line = lines_[index];
    if (line.record >= 0) {
        ++records_[line.record].rotation;
        return;
    }
    records_.push_back(Record{std::string(), 1});
    line.record = static_cast<int>(records_.size()) - 1;
}

bool PictureListModel::HasRecord(int index) const {
    return Valid(index) && lines_[index].record >= 0;
}

int PictureListModel::CheckedCount() const {
    return static_cast<int>(
        std::count_if(lines_.begin(), lines_.end(), [](const Line& l) { return l.checked; }));
}

int PictureListModel::FirstChecked() const {
    return NextChecked(-1);
}

int PictureListModel::NextChecked(int index) const {
    if (index >= Count()) return -1;
    for (int i = std::max(index + 1, 0); i < Count(); ++i) {
        if (lines_[i].checked) return i;
    }
    return -1;
}

std::string PictureListModel::ItemText(int index) const {
    return Valid(index) ? lines_[index].text : std::string();
}

std::string PictureListModel::GetComment(int index) const {
    return HasRecord(index) ? records_[lines_[index].record].comment : std::string();
}

int PictureListModel::GetQuarterTurns(int index) const {
    return HasRecord(index) ? records_[lines_[index].record].rotation : 0;
}

int PictureListModel::IndexOf(const std::string& name) const {
    // The lines are in case-insensitive order: the name is among those that compare equal to it.
    auto line = std::lower_bound(
        lines_.begin(), lines_.end(), name,
        [](const Line& l, const std::string& n) { return CompareNoCase(l.text, n) < 0; });
    for (; line != lines_.end() && CompareNoCase(line->text, name) == 0; ++line) {
        if (line->text == name) return static_cast<int>(line - lines_.begin());
    }
    return -1;
}
