#pragma once

#include <QListWidget>
#include <string>

#include "core/picture_list_model.h"

// The picture list of both programs: one line per picture file of a folder, a check box and the
// file name on each, in case-insensitive order of the names. The lines, check marks, comments and
// quarter turns live in the PictureListModel the widget owns; the widget only mirrors it, so a
// line's index is the same in both. Change the list through the widget's functions (never through
// the model directly), so that the view stays in step.
//
// Mouse: a press on a line's check box toggles its check mark and highlights the line; a press on
// its name only highlights it; neither scrolls the list, so a second press at the same place lands
// on the same picture. The space bar toggles the highlighted line's check mark.
//
// Every column is as wide as the longest line, up to the list's width while the lines fit in one
// column and up to half of it once they flow into more; a longer name ends in "…" and its tooltip
// shows it whole. A picture with a turn shows it after its name ("a.jpg ↻1",
// the quarter turns the preview and the jobs apply); the model's text, which jobs read as the file
// name, stays the name alone.
//
// Owners connect to HighlightedLineChanged, raised when a line becomes highlighted and when the
// highlighted line's check mark changes.
class CPictureList : public QListWidget {
    Q_OBJECT
  public:
    explicit CPictureList(QWidget* parent = nullptr);

    // Sets list mode, single selection always shown, check boxes on every line.
    void Init();
    // Clears the list, then one unchecked line per picture file of `folder` that `filter` admits;
    // comments and turns of the previous listing are discarded. An empty folder lists "/".
    void Fill(const std::string& folder, PictureFilter filter);
    // Removes every line and every comment and turn.
    void Clear();
    // Inserts a line in sorted position and returns its index.
    int InsertPicture(const std::string& name, bool checked);

    // Number of lines.
    int Count() const { return model_.Count(); }
    // True when the line is checked.
    bool IsChecked(int index) const { return model_.IsChecked(index); }
    // Checks or unchecks a line (HighlightedLineChanged follows when the line is highlighted).
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
    // One more quarter turn for the line (shown after its name).
    void AddQuarterTurn(int index);
    // No turn for the line any more (its file was saved as turned).
    void ClearQuarterTurns(int index);
    // The line's quarter turns (0 without a record).
    int GetQuarterTurns(int index) const { return model_.GetQuarterTurns(index); }

    // The first highlighted line from the top, or -1 when none is highlighted.
    int FirstHighlighted() const;
    // Highlights one line (and makes it current) as a click on its name would; -1 clears the
    // highlight.
    void Highlight(int index);
    // The check box of a line in viewport coordinates (empty for an invalid index): the area whose
    // press toggles the check mark.
    QRect CheckBoxRect(int index) const;

    // The data behind the list, read-only; jobs take it as their PictureSelection.
    const PictureListModel& Model() const { return model_; }

    // The size of every line: that of the widest line, its width capped at the list's (half the
    // list's when the lines need more than one column).
    QSize LineSize() const;
    // What a line shows: its name, and its turn when it has one ("a.jpg ↻1").
    static QString LineText(const std::string& name, int quarter_turns);

    // Pressing a line never scrolls the list; keys and Highlight do, to show the line.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

  signals:
    // A line became highlighted, or the highlighted line's check mark changed.
    void HighlightedLineChanged(int index);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void OnSelectionChanged();
    void ShowCheck(int index);
    void ToggleCheck(int index);
    void ShowTurns(int index);
    // Measures one line and keeps it when it is the widest so far.
    void MeasureLine(int index);
    void MeasureAllLines();

    PictureListModel model_;
    int last_highlighted_ = -1;
    int widest_line_ = -1;     // the line whose text is widest, -1 for an empty list
    int widest_text_ = 0;      // its text's width in pixels
    mutable QSize line_size_;  // the widest line's size, uncapped; empty until measured
    bool pressing_ = false;    // a mouse press is being handled
};
