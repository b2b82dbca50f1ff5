#include "widgets/c_picture_list.h"

#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>
#include <utility>
#include <vector>

namespace {

// Gives every line the list's one line size (so the columns are all alike and a folder of
// thousands of pictures is laid out without measuring each line again), and access to the
// delegate's own layout of a line, so that the check box's hit area is exactly where the box is
// drawn, whatever the style.
// Checkable, so that a screen reader says whether a line is ticked; the press handler below
// toggles the box itself, so that a press toggles exactly once.
constexpr Qt::ItemFlags kLineFlags =
    Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;

class LineDelegate : public QStyledItemDelegate {
  public:
    explicit LineDelegate(CPictureList* list) : QStyledItemDelegate(list), list_(list) {}
    using QStyledItemDelegate::initStyleOption;

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return list_->LineSize();
    }
    // The size the line itself would need.
    QSize NaturalSize(const QStyleOptionViewItem& option, const QModelIndex& index) const {
        return QStyledItemDelegate::sizeHint(option, index);
    }
    // The list toggles a tick itself, once per press or Space; the delegate's own toggling (on
    // the release, on Space) would undo it.
    bool editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                     const QModelIndex&) override {
        return false;
    }

  private:
    CPictureList* list_;
};

}  // namespace

CPictureList::CPictureList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new LineDelegate(this));
    connect(this, &QListWidget::itemSelectionChanged, this, &CPictureList::OnSelectionChanged);
}

void CPictureList::Init() {
    // Lines flow top to bottom in columns, like a file list, one line highlighted at a time and the
    // highlight kept visible when the focus is elsewhere.
    setViewMode(QListView::ListMode);
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Every line has the size of the widest one (LineSize), so the view measures one line instead
    // of thousands and lays out a folder of 20,000 pictures in one pass of a few milliseconds:
    // every line has its place at once, and a line highlighted right after a listing (a dropped
    // picture) is scrolled into view.
    setUniformItemSizes(true);
    setTextElideMode(Qt::ElideRight);
    setLayoutMode(QListView::SinglePass);
    setSortingEnabled(false);  // the model keeps the order; the view mirrors it line for line
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
}

void CPictureList::Fill(const std::string& folder, PictureFilter filter) {
    Clear();
    model_.Fill(folder, filter);
    const bool blocked = blockSignals(true);
    for (int i = 0; i < model_.Count(); ++i) {
        auto* item = new QListWidgetItem(QString::fromStdString(model_.ItemText(i)));
        item->setFlags(kLineFlags);
        // Set before the line joins the view, so that 20,000 lines raise no change notices.
        item->setCheckState(Qt::Unchecked);
        addItem(item);
    }
    blockSignals(blocked);
    last_highlighted_ = -1;
    MeasureAllLines();
}

void CPictureList::Clear() {
    const bool blocked = blockSignals(true);
    clear();
    blockSignals(blocked);
    model_.Clear();
    last_highlighted_ = -1;
    MeasureAllLines();
    // A new listing starts at its first line, not where the previous folder was scrolled to.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

int CPictureList::InsertPicture(const std::string& name, bool checked) {
    const int index = model_.InsertPicture(name, checked);
    auto* item = new QListWidgetItem(QString::fromStdString(name));
    item->setFlags(kLineFlags);
    const bool blocked = blockSignals(true);
    insertItem(index, item);
    blockSignals(blocked);
    ShowCheck(index);
    last_highlighted_ = FirstHighlighted();
    if (widest_line_ >= index) ++widest_line_;
    MeasureLine(index);
    return index;
}

void CPictureList::AddQuarterTurn(int index) {
    model_.AddQuarterTurn(index);
    ShowTurns(index);
}

void CPictureList::ClearQuarterTurns(int index) {
    model_.ClearQuarterTurns(index);
    ShowTurns(index);
}

QString CPictureList::LineText(const std::string& name, int quarter_turns) {
    QString text = QString::fromStdString(name);
    // The turn the preview and the jobs apply: the count modulo 4, none for a negative count.
    const int turns = quarter_turns % 4;
    if (turns > 0) text += QStringLiteral(" ↻") + QString::number(turns);
    return text;
}

QSize CPictureList::LineSize() const {
    if (!line_size_.isValid()) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const int line = std::clamp(widest_line_, 0, std::max(0, count() - 1));
        if (count() > 0) {
            line_size_ = static_cast<const LineDelegate*>(itemDelegate())
                             ->NaturalSize(option, indexFromItem(item(line)));
        }
    }
    QSize size = line_size_.isValid() ? line_size_ : QSize(1, fontMetrics().height());
    // Lines that all fit in one column may take the list's whole width. Once they flow into more
    // columns, a line wider than half the list would leave no room to see its neighbours' column:
    // it is cut there with "…", and its tooltip shows it whole.
    const bool one_column =
        static_cast<long long>(count()) * std::max(1, size.height()) <= viewport()->height();
    const int widest = one_column ? viewport()->width() : viewport()->width() / 2;
    size.setWidth(std::min(size.width(), std::max(1, widest)));
    return size;
}

void CPictureList::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // Scrolling a partly hidden line into view under the pointer would put another picture where
    // the user just pressed, and a second press would land on it.
    if (pressing_) return;
    QListWidget::scrollTo(index, hint);
}

void CPictureList::SetChecked(int index, bool checked) {
    if (index < 0 || index >= Count() || model_.IsChecked(index) == checked) return;
    model_.SetChecked(index, checked);
    ShowCheck(index);
    if (item(index) != nullptr && item(index)->isSelected()) emit HighlightedLineChanged(index);
}

int CPictureList::FirstHighlighted() const {
    for (int i = 0; i < count(); ++i) {
        if (item(i)->isSelected()) return i;
    }
    return -1;
}

void CPictureList::Highlight(int index) {
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
}

QRect CPictureList::CheckBoxRect(int index) const {
    QListWidgetItem* line = item(index);
    if (line == nullptr) return {};
    const QModelIndex model_index = indexFromItem(line);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(model_index);
    static_cast<LineDelegate*>(itemDelegate())->initStyleOption(&option, model_index);
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void CPictureList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        const QModelIndex index = indexAt(at);
        if (index.isValid() && CheckBoxRect(index.row()).contains(at)) ToggleCheck(index.row());
    }
    // Then the ordinary handling, which highlights the line pressed.
    pressing_ = true;
    QListWidget::mousePressEvent(event);
    pressing_ = false;
}

void CPictureList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const int line = FirstHighlighted();
        if (line >= 0) {
            ToggleCheck(line);
            event->accept();
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

bool CPictureList::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The whole line, however narrow its column.
        const auto* help = static_cast<QHelpEvent*>(event);
        if (const QListWidgetItem* line = itemAt(help->pos())) {
            QToolTip::showText(help->globalPos(), line->text(), viewport(), visualItemRect(line));
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QListWidget::viewportEvent(event);
}

void CPictureList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    // Lines flow down the columns, so the view itself lays them out again only when its height
    // changes; the columns' width follows the list's width as well (half of it at most once the
    // lines need more than one column).
    if (event->size().width() != event->oldSize().width() && count() > 0)
        scheduleDelayedItemsLayout();
}

void CPictureList::changeEvent(QEvent* event) {
    QListWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        MeasureAllLines();
        scheduleDelayedItemsLayout();
    }
}

void CPictureList::OnSelectionChanged() {
    const int line = FirstHighlighted();
    const int before = last_highlighted_;
    last_highlighted_ = line;
    // Only a line that gains the highlight is news; losing it changes nothing shown.
    if (line >= 0 && line != before) emit HighlightedLineChanged(line);
}

void CPictureList::ShowCheck(int index) {
    if (QListWidgetItem* line = item(index)) {
        line->setCheckState(model_.IsChecked(index) ? Qt::Checked : Qt::Unchecked);
    }
}

void CPictureList::ToggleCheck(int index) {
    SetChecked(index, !model_.IsChecked(index));
}

void CPictureList::ShowTurns(int index) {
    QListWidgetItem* line = item(index);
    if (line == nullptr) return;
    line->setText(LineText(model_.ItemText(index), model_.GetQuarterTurns(index)));
    MeasureLine(index);
}

void CPictureList::MeasureLine(int index) {
    const QListWidgetItem* line = item(index);
    if (line == nullptr) return;
    const int width = fontMetrics().horizontalAdvance(line->text());
    if (index == widest_line_ || width > widest_text_) {
        // The widest line grew (or the widest one changed): every column follows.
        if (index == widest_line_ && width < widest_text_) {
            MeasureAllLines();
        } else {
            widest_line_ = index;
            widest_text_ = width;
            line_size_ = QSize();
        }
        scheduleDelayedItemsLayout();
    }
}

void CPictureList::MeasureAllLines() {
    widest_line_ = -1;
    widest_text_ = 0;
    line_size_ = QSize();
    const int lines = count();
    if (lines == 0) return;
    // Shaping every name of a large folder would cost a quarter of a second per 20,000 names. The
    // sum of the characters' own widths (each character measured once) is within a few pixels of
    // the shaped width, so only the names with the widest sums are shaped.
    const QFontMetrics metrics = fontMetrics();
    const int half_wide = metrics.horizontalAdvance(QChar(0x3042)) / 2;
    QHash<char16_t, int> advances;
    std::vector<std::pair<int, int>> sums;  // (sum of the characters' widths, line)
    sums.reserve(static_cast<size_t>(lines));
    for (int i = 0; i < lines; ++i) {
        int width = 0;
        for (const QChar c : item(i)->text()) {
            if (c.isSurrogate()) {
                width += half_wide;  // a character beyond the first plane is as wide as a kanji
                continue;
            }
            auto known = advances.constFind(c.unicode());
            if (known == advances.constEnd())
                known = advances.insert(c.unicode(), metrics.horizontalAdvance(c));
            width += *known;
        }
        sums.emplace_back(width, i);
    }
    constexpr size_t kShaped = 16;
    const size_t shaped = std::min(kShaped, sums.size());
    std::partial_sort(sums.begin(), sums.begin() + static_cast<std::ptrdiff_t>(shaped), sums.end(),
                      [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t k = 0; k < shaped; ++k) {
        const int line = sums[k].second;
        const int width = metrics.horizontalAdvance(item(line)->text());
        if (widest_line_ < 0 || width > widest_text_) {
            widest_line_ = line;
            widest_text_ = width;
        }
    }
}
