#pragma once

#include <QListWidget>
#include <string>
#include <utility>
#include <vector>

#include "core/picture_list_model.h"

class ThumbnailLoader;

// How the picture list shows its pictures: lines of names flowing down in columns (the default), or
// a grid of thumbnails with the name under each.
enum class PictureView { List, Grid };

// The picture list of both programs: one line per picture file of a folder, a check box and the
// file name on each, in case-insensitive order of the names. The lines, check marks, comments and
// quarter turns live in the PictureListModel the widget owns; the widget only mirrors it, so a
// line's index is the same in both. Change the list through the widget's functions (never through
// the model directly), so that the view stays in step.
//
// Mouse: a press on a line's check box toggles its check mark and highlights the line; a press on
// its name only highlights it; neither scrolls the list, then or later, so a second press at the
// same place lands on the same picture. Ctrl and Shift with a press highlight several lines, as in
// a file manager. The space bar ticks (or unticks) every highlighted line.
//
// Every column is as wide as the longest line, up to the list's width while the lines fit in one
// column; once they flow into more, up to half of it, or as wide as nine lines in ten need when
// that is more, so that names as cameras give them show whole however narrow the list. A longer
// name is cut in its middle with "…", keeping the end that tells pictures apart, and its tooltip
// shows it whole. A picture with a turn shows it after its name ("a.jpg ↻1", the quarter turns the
// preview and the jobs apply); the model's text, which jobs read as the file name, stays the name
// alone.
//
// In the grid each picture shows its thumbnail (turned as the user turned it), the check box and
// the turn on the thumbnail and the name under it. Thumbnails are made on other threads, the ones
// in sight first; until one comes a light box stands in its place, and a picture that cannot be
// read shows "表示できません". The view chosen is kept in the windows' own file.
//
// Owners connect to HighlightedLineChanged, raised when the shown line changes (the line last
// highlighted) and when its check mark changes.
class CPictureList : public QListWidget {
    Q_OBJECT
  public:
    explicit CPictureList(QWidget* parent = nullptr);
    ~CPictureList() override;

    // Sets the columns, the several-line highlight kept visible without the focus, check boxes on
    // every line, and the view last chosen.
    void Init();
    // Clears the list, then one unchecked line per picture file of `folder` that `filter` admits;
    // comments and turns of the previous listing are discarded. An empty folder lists "/".
    void Fill(const std::string& folder, PictureFilter filter);
    // Reads `folder` (the folder listed) again: lines of pictures gone are removed, new pictures
    // come in unchecked in their places, every other line keeps its check, comment, turns and
    // highlight, and thumbnails of files that changed are made again. HighlightedLineChanged is
    // not raised. False when no line came or went.
    bool Reread(const std::string& folder, PictureFilter filter);
    // Removes every line and every comment and turn.
    void Clear();
    // Inserts a line in sorted position and returns its index.
    int InsertPicture(const std::string& name, bool checked);

    // Number of lines.
    int Count() const { return model_.Count(); }
    // True when the line is checked.
    bool IsChecked(int index) const { return model_.IsChecked(index); }
    // Checks or unchecks a line (HighlightedLineChanged follows when it is the shown line).
    void SetChecked(int index, bool checked);
    // Lowest checked index, or -1.
    int FirstChecked() const { return model_.FirstChecked(); }
    // Lowest checked index above `index`, or -1.
    int NextChecked(int index) const { return model_.NextChecked(index); }
    // Number of checked lines.
    int CheckedCount() const { return model_.CheckedCount(); }
    // The line's text: the file name alone (UTF-8).
    std::string ItemText(int index) const { return model_.ItemText(index); }
    // Stores a comment for the line (line breaks as "\r\n"); see PictureListModel::SetComment.
    void SetComment(int index, const std::string& text) { model_.SetComment(index, text); }
    // The line's comment, empty without one.
    std::string GetComment(int index) const { return model_.GetComment(index); }
    // One more quarter turn for the line (shown after its name and on its thumbnail).
    void AddQuarterTurn(int index);
    // No turn for the line any more (its file was saved as turned).
    void ClearQuarterTurns(int index);
    // The line's quarter turns (0 without a record).
    int GetQuarterTurns(int index) const { return model_.GetQuarterTurns(index); }
    // True when some line has a turn that the jobs would apply (modulo 4, not 0).
    bool AnyTurned() const;

    // The first highlighted line from the top, or -1 when none is highlighted.
    int FirstHighlighted() const;
    // The highlighted lines, from the top.
    std::vector<int> HighlightedLines() const;
    // The line the preview shows: the line last highlighted (the current one) while it is
    // highlighted, else the first highlighted line; -1 when none is.
    int ShownLine() const;
    // Highlights one line (and makes it current) as a click on its name would, scrolling it into
    // view; -1 clears the highlight.
    void Highlight(int index);
    // Highlights these lines (the first made current and scrolled into view).
    void Highlight(const std::vector<int>& lines);
    // The check box of a line in viewport coordinates (empty for an invalid index): the area whose
    // press toggles the check mark.
    QRect CheckBoxRect(int index) const;

    // The data behind the list, read-only; jobs take it as their PictureSelection.
    const PictureListModel& Model() const { return model_; }

    // The list or the grid. Choosing the other keeps the shown line in sight; `keep` stores the
    // choice in the windows' own file for the next run.
    void SetView(PictureView view, bool keep = true);
    PictureView View() const { return view_; }
    // The thumbnails of the grid.
    ThumbnailLoader& Thumbnails() const { return *thumbnails_; }
    // While held (a job runs), no thumbnail is made.
    void HoldThumbnails(bool held);

    // The size of every line: in the list that of the widest line, its width capped (see above);
    // in the grid one cell.
    QSize LineSize() const;
    // The side of the square a thumbnail is fitted into, in the widget's pixels.
    int ThumbnailBox() const;
    // The first and last line in sight, {0, -1} when none is.
    std::pair<int, int> VisibleLines() const;
    // What a line shows: its name, and its turn when it has one ("a.jpg ↻1").
    static QString LineText(const std::string& name, int quarter_turns);

    // Pressing a line never scrolls the list; keys and Highlight do, to show the line.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  signals:
    // The shown line changed, or the shown line's check mark changed.
    void HighlightedLineChanged(int index);
    // The view changed (SetView).
    void ViewChanged(PictureView view);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    friend class PictureLineDelegate;
    void OnSelectionChanged();
    QListWidgetItem* MakeItem(int index) const;
    void ShowCheck(int index);
    void ToggleCheck(int index);
    void ShowTurns(int index);
    // Measures one line and keeps it when it is the widest so far.
    void MeasureLine(int index);
    void MeasureAllLines();
    // Asks for the thumbnails of the lines in sight, then of those just beyond.
    void WantThumbnails();
    void OnThumbnailLoaded(const std::string& name);
    void ApplyView();

    PictureListModel model_;
    PictureView view_ = PictureView::List;
    ThumbnailLoader* thumbnails_;
    int last_highlighted_ = -1;
    int widest_line_ = -1;     // the line whose text is widest, -1 for an empty list
    int widest_text_ = 0;      // its text's width in pixels
    int typical_text_ = 0;     // the width nine lines in ten do not exceed, in pixels
    mutable QSize line_size_;  // the widest line's size, uncapped; empty until measured
    bool pressing_ = false;    // a mouse press is being handled
    int pressed_line_ = -1;    // the line last pressed with the mouse, until a key or Highlight
    bool wanting_ = false;     // a request for thumbnails is on its way
};
