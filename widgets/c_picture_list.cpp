#include "widgets/c_picture_list.h"

#include <QApplication>
#include <QHash>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolTip>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "widgets/thumbnail_loader.h"
#include "widgets/window_placement.h"

namespace {

// Where the choice of view is kept in the windows' own file.
constexpr const char* kViewGroup = "pictureList";
constexpr const char* kViewKey = "view";

// Above this many lines coming or going at once, the view is built again in one pass rather than
// line by line (each line inserted moves every line after it).
constexpr std::size_t kLinesChangedOneByOne = 64;

// The parts of one cell of the grid: the thumbnail's square, the check box on its top-left corner,
// the name under it.
struct Cell {
    QRect box;
    QRect check;
    QRect name;
};

// Checkable, so that a screen reader says whether a line is ticked; the press handler toggles the
// box itself and the delegate leaves it alone, so that a press toggles exactly once.
constexpr Qt::ItemFlags kLineFlags =
    Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;

int Margin(const QWidget* list) {
    return std::max(3, list->fontMetrics().height() / 4);
}

}  // namespace

// Gives every line the list's one line size (so the columns are all alike and a folder of
// thousands of pictures is laid out without measuring each line again), draws the grid's cells,
// and gives access to the delegate's own layout of a line, so that the check box's hit area is
// exactly where the box is drawn, whatever the style.
class PictureLineDelegate : public QStyledItemDelegate {
  public:
    explicit PictureLineDelegate(CPictureList* list) : QStyledItemDelegate(list), list_(list) {}
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

    // The parts of the grid's cell at `rect`.
    Cell CellAt(const QRect& rect) const {
        const int margin = Margin(list_);
        const int box = list_->ThumbnailBox();
        Cell cell;
        cell.box = QRect(rect.left() + (rect.width() - box) / 2, rect.top() + margin, box, box);
        const int indicator_w =
            list_->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list_);
        const int indicator_h =
            list_->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, list_);
        cell.check = QRect(cell.box.left() + 3, cell.box.top() + 3, indicator_w, indicator_h);
        cell.name = QRect(rect.left() + margin, cell.box.bottom() + 1 + margin / 2,
                          rect.width() - 2 * margin, list_->fontMetrics().height());
        return cell;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (list_->View() != PictureView::Grid) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        PaintCell(painter, option, index.row());
    }

  private:
    void PaintCell(QPainter* painter, const QStyleOptionViewItem& given, int line) const {
        QStyleOptionViewItem option = given;
        initStyleOption(&option, list_->model()->index(line, 0));
        QStyle* style = list_->style();
        painter->save();
        // The highlight behind the whole cell, as the style draws a highlighted line.
        option.text.clear();
        option.features &= ~QStyleOptionViewItem::HasCheckIndicator;
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &option, painter, list_);

        const Cell cell = CellAt(option.rect);
        const std::string name = list_->model_.ItemText(line);
        const ThumbnailLoader::Thumbnail* thumbnail = list_->thumbnails_->Find(name);
        if (thumbnail != nullptr && !thumbnail->failed) {
            // Turned as the preview and the jobs turn it: the count modulo 4, none when negative.
            const int turns = list_->model_.GetQuarterTurns(line) % 4;
            QImage shown = turns > 0 ? thumbnail->image.transformed(QTransform().rotate(90 * turns))
                                     : thumbnail->image;
            const qreal ratio = list_->devicePixelRatioF();
            QSizeF size = QSizeF(shown.size()) / ratio;
            if (size.width() > cell.box.width() || size.height() > cell.box.height())
                size.scale(cell.box.size(), Qt::KeepAspectRatio);
            const QRectF at(cell.box.left() + (cell.box.width() - size.width()) / 2,
                            cell.box.top() + (cell.box.height() - size.height()) / 2, size.width(),
                            size.height());
            painter->setRenderHint(QPainter::SmoothPixmapTransform);
            painter->drawImage(at, shown);
        } else if (thumbnail != nullptr) {
            // The preview's grey, and why there is no picture.
            painter->fillRect(cell.box, QColor(192, 192, 192));
            QFont small = list_->font();
            small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
            painter->setFont(small);
            painter->setPen(Qt::black);
            painter->drawText(cell.box, Qt::AlignCenter | Qt::TextWordWrap,
                              QStringLiteral("表示\nできません"));
            painter->setFont(list_->font());
        } else {
            // Still being made: a light box holds its place.
            painter->fillRect(cell.box, QColor(228, 228, 228));
        }

        // The turn on the thumbnail's top-right corner, on a light patch so that it reads on any
        // picture.
        const int turns = list_->model_.GetQuarterTurns(line) % 4;
        if (turns > 0) {
            const QString mark = QStringLiteral("↻") + QString::number(turns);
            const QFontMetrics metrics = list_->fontMetrics();
            QRect patch(0, 0, metrics.horizontalAdvance(mark) + 4, metrics.height());
            patch.moveTopRight(cell.box.topRight() + QPoint(-2, 2));
            painter->fillRect(patch, QColor(255, 255, 255, 210));
            painter->setPen(Qt::black);
            painter->drawText(patch, Qt::AlignCenter, mark);
        }

        // The check box, on a white patch for the same reason.
        painter->fillRect(cell.check.adjusted(-1, -1, 1, 1), QColor(255, 255, 255, 210));
        QStyleOptionViewItem check = option;
        check.rect = cell.check;
        check.state &= ~QStyle::State_HasFocus;
        check.state |= list_->model_.IsChecked(line) ? QStyle::State_On : QStyle::State_Off;
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &check, painter, list_);

        // The name under the thumbnail, cut in its middle when it is too long.
        const bool highlighted = option.state & QStyle::State_Selected;
        painter->setPen(
            option.palette.color(highlighted ? QPalette::HighlightedText : QPalette::Text));
        const QString text = QString::fromStdString(name);
        painter->drawText(
            cell.name, Qt::AlignHCenter | Qt::AlignTop,
            list_->fontMetrics().elidedText(text, Qt::ElideMiddle, cell.name.width()));
        if ((option.state & QStyle::State_HasFocus) && list_->currentRow() == line) {
            QStyleOptionFocusRect focus;
            focus.initFrom(list_);
            focus.rect = option.rect.adjusted(1, 1, -1, -1);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, list_);
        }
        painter->restore();
    }

    CPictureList* list_;
};

CPictureList::CPictureList(QWidget* parent)
    : QListWidget(parent), thumbnails_(new ThumbnailLoader(this)) {
    setItemDelegate(new PictureLineDelegate(this));
    connect(this, &QListWidget::itemSelectionChanged, this, &CPictureList::OnSelectionChanged);
    connect(this, &QListWidget::currentRowChanged, this, &CPictureList::OnSelectionChanged);
    connect(thumbnails_, &ThumbnailLoader::Loaded, this, &CPictureList::OnThumbnailLoaded);
}

CPictureList::~CPictureList() = default;

void CPictureList::Init() {
    // Lines flow top to bottom in columns, like a file list; the highlight stays visible when the
    // focus is elsewhere.
    setViewMode(QListView::ListMode);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    // Every line has the size of the widest one (LineSize), so the view measures one line instead
    // of thousands and lays out a folder of 20,000 pictures in one pass of a few milliseconds:
    // every line has its place at once, and a line highlighted right after a listing (a dropped
    // picture) is scrolled into view.
    setUniformItemSizes(true);
    // "…_IMG_0001.jpg" and "…_IMG_0002.jpg" must not look alike: the end of a name tells
    // pictures apart.
    setTextElideMode(Qt::ElideMiddle);
    setLayoutMode(QListView::SinglePass);
    setSortingEnabled(false);  // the model keeps the order; the view mirrors it line for line
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    view_ = KeptWindowValue(kViewGroup, kViewKey) == "grid" ? PictureView::Grid : PictureView::List;
    ApplyView();
    emit ViewChanged(view_);
}

void CPictureList::SetView(PictureView view, bool keep) {
    if (view == view_) return;
    view_ = view;
    if (keep) KeepWindowValue(kViewGroup, kViewKey, view == PictureView::Grid ? "grid" : "list");
    ApplyView();
    emit ViewChanged(view_);
}

void CPictureList::ApplyView() {
    const bool grid = view_ == PictureView::Grid;
    // The grid fills rows and scrolls down; the list fills columns and scrolls sideways.
    setFlow(grid ? QListView::LeftToRight : QListView::TopToBottom);
    setVerticalScrollMode(grid ? ScrollPerPixel : ScrollPerItem);
    setHorizontalScrollBarPolicy(grid ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    if (grid) {
        thumbnails_->SetBox(static_cast<int>(std::ceil(ThumbnailBox() * devicePixelRatioF())));
        verticalScrollBar()->setSingleStep(LineSize().height() / 3);
    }
    line_size_ = QSize();
    doItemsLayout();
    // The picture the user was looking at stays in sight.
    if (QListWidgetItem* shown = item(ShownLine()))
        QListWidget::scrollTo(indexFromItem(shown), PositionAtCenter);
    viewport()->update();
}

void CPictureList::HoldThumbnails(bool held) {
    thumbnails_->Hold(held);
}

QListWidgetItem* CPictureList::MakeItem(int index) const {
    auto* item =
        new QListWidgetItem(LineText(model_.ItemText(index), model_.GetQuarterTurns(index)));
    item->setFlags(kLineFlags);
    // Set before the line joins the view, so that 20,000 lines raise no change notices.
    item->setCheckState(model_.IsChecked(index) ? Qt::Checked : Qt::Unchecked);
    return item;
}

void CPictureList::Fill(const std::string& folder, PictureFilter filter) {
    Clear();
    model_.Fill(folder, filter);
    thumbnails_->SetFolder(folder.empty() ? std::string("/") : folder);
    const bool blocked = blockSignals(true);
    for (int i = 0; i < model_.Count(); ++i) addItem(MakeItem(i));
    blockSignals(blocked);
    last_highlighted_ = -1;
    MeasureAllLines();
}

bool CPictureList::Reread(const std::string& folder, PictureFilter filter) {
    // Files replaced under the same names (a picture saved over) show their new thumbnails.
    thumbnails_->Recheck();
    const std::vector<int> highlighted = HighlightedLines();
    std::vector<std::string> highlighted_names;
    for (int line : highlighted) highlighted_names.push_back(model_.ItemText(line));
    const std::string current_name = model_.ItemText(currentRow());
    const PictureListModel::Changes changes = model_.Reread(folder, filter);
    if (changes.Empty()) return false;
    const bool blocked = blockSignals(true);
    if (changes.removed.size() + changes.added.size() <= kLinesChangedOneByOne) {
        // The view moves the highlight and the current line with the lines it keeps.
        for (auto gone = changes.removed.rbegin(); gone != changes.removed.rend(); ++gone)
            delete takeItem(*gone);
        for (int line : changes.added) insertItem(line, MakeItem(line));
    } else {
        const int across = horizontalScrollBar()->value();
        const int down = verticalScrollBar()->value();
        clear();
        for (int i = 0; i < model_.Count(); ++i) addItem(MakeItem(i));
        for (const std::string& name : highlighted_names) {
            if (QListWidgetItem* line = item(model_.IndexOf(name))) line->setSelected(true);
        }
        if (QListWidgetItem* line = item(model_.IndexOf(current_name)))
            selectionModel()->setCurrentIndex(indexFromItem(line), QItemSelectionModel::NoUpdate);
        doItemsLayout();
        horizontalScrollBar()->setValue(across);
        verticalScrollBar()->setValue(down);
    }
    blockSignals(blocked);
    last_highlighted_ = ShownLine();
    pressed_line_ = -1;
    MeasureAllLines();
    scheduleDelayedItemsLayout();
    return true;
}

void CPictureList::Clear() {
    const bool blocked = blockSignals(true);
    clear();
    blockSignals(blocked);
    model_.Clear();
    last_highlighted_ = -1;
    pressed_line_ = -1;
    MeasureAllLines();
    // A new listing starts at its first line, not where the previous folder was scrolled to.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

int CPictureList::InsertPicture(const std::string& name, bool checked) {
    const int index = model_.InsertPicture(name, checked);
    const bool blocked = blockSignals(true);
    insertItem(index, MakeItem(index));
    blockSignals(blocked);
    last_highlighted_ = ShownLine();
    pressed_line_ = -1;
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

bool CPictureList::AnyTurned() const {
    for (int i = 0; i < Count(); ++i) {
        if (model_.GetQuarterTurns(i) % 4 > 0) return true;
    }
    return false;
}

QString CPictureList::LineText(const std::string& name, int quarter_turns) {
    QString text = QString::fromStdString(name);
    // The turn the preview and the jobs apply: the count modulo 4, none for a negative count.
    const int turns = quarter_turns % 4;
    if (turns > 0) text += QStringLiteral(" ↻") + QString::number(turns);
    return text;
}

int CPictureList::ThumbnailBox() const {
    // Four lines of text high: room for a picture to be recognised.
    return std::clamp(fontMetrics().height() * 4, 48, 160);
}

QSize CPictureList::LineSize() const {
    if (view_ == PictureView::Grid) {
        // As many columns as cells of the least width fit, sharing the whole width: no empty
        // strip at the right, and two columns in the resizer's list at its opening size even
        // with the scroll bar.
        const int margin = Margin(this);
        const int box = ThumbnailBox();
        // (Not from the font's average character width: a Japanese font's is a full-width one.)
        const int least = box + 4 * margin;
        // The view lays out rows as if the scroll bar were shown, whether it is or not.
        int width = viewport()->width();
        const QScrollBar* bar = verticalScrollBar();
        if (!bar->isVisible() &&
            style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarOverlap, nullptr, bar) == 0)
            width -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
        // and wraps a row that would reach its right edge.
        width -= 1;
        const int columns = std::max(1, width / least);
        return QSize(std::max(least, width / columns),
                     margin + box + margin / 2 + fontMetrics().height() + margin);
    }
    if (!line_size_.isValid()) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        const int line = std::clamp(widest_line_, 0, std::max(0, count() - 1));
        if (count() > 0) {
            line_size_ = static_cast<const PictureLineDelegate*>(itemDelegate())
                             ->NaturalSize(option, indexFromItem(item(line)));
        }
    }
    QSize size = line_size_.isValid() ? line_size_ : QSize(1, fontMetrics().height());
    // Lines that all fit in one column may take the list's whole width. Once they flow into more
    // columns, a line wider than half the list would leave no room to see its neighbours' column,
    // unless most lines are that wide (a narrow list of camera names): the column is as wide as
    // nine lines in ten need, never wider than the list, and a longer name is cut in its middle.
    const bool one_column =
        static_cast<long long>(count()) * std::max(1, size.height()) <= viewport()->height();
    const int typical = size.width() - widest_text_ + typical_text_;
    const int widest =
        one_column ? viewport()->width()
                   : std::min(viewport()->width(), std::max(viewport()->width() / 2, typical));
    size.setWidth(std::min(size.width(), std::max(1, widest)));
    return size;
}

std::pair<int, int> CPictureList::VisibleLines() const {
    const int lines = count();
    if (lines == 0) return {0, -1};
    const QRect area = viewport()->rect();
    const QSize line = LineSize();
    // A first guess from the scrolled distance, then line by line to the first one in sight.
    int first = 0;
    if (view_ == PictureView::Grid) {
        const int columns = std::max(1, area.width() / std::max(1, line.width()));
        first = verticalOffset() / std::max(1, line.height()) * columns;
    } else {
        const int rows = std::max(1, area.height() / std::max(1, line.height()));
        first = horizontalOffset() / std::max(1, line.width()) * rows;
    }
    first = std::clamp(first, 0, lines - 1);
    auto shown = [&](int i) { return visualRect(model()->index(i, 0)).intersects(area); };
    for (int step = 0; step < 4096 && first > 0 && shown(first - 1); ++step) --first;
    for (int step = 0; step < 4096 && first < lines - 1 && !shown(first); ++step) ++first;
    if (!shown(first)) return {0, -1};
    int last = first;
    while (last + 1 < lines && shown(last + 1)) ++last;
    return {first, last};
}

void CPictureList::scrollTo(const QModelIndex& index, ScrollHint hint) {
    // Scrolling a partly hidden line into view under the pointer would put another picture where
    // the user just pressed, and a second press would land on it: neither while the press is
    // handled, nor when the view scrolls to the pressed line once the double-click time is over.
    if (pressing_ || (index.isValid() && index.row() == pressed_line_)) return;
    QListWidget::scrollTo(index, hint);
}

void CPictureList::SetChecked(int index, bool checked) {
    if (index < 0 || index >= Count() || model_.IsChecked(index) == checked) return;
    model_.SetChecked(index, checked);
    ShowCheck(index);
    if (index == ShownLine()) emit HighlightedLineChanged(index);
}

int CPictureList::FirstHighlighted() const {
    const std::vector<int> lines = HighlightedLines();
    return lines.empty() ? -1 : lines.front();
}

std::vector<int> CPictureList::HighlightedLines() const {
    std::vector<int> lines;
    if (selectionModel() == nullptr) return lines;
    for (const QModelIndex& index : selectionModel()->selectedRows()) lines.push_back(index.row());
    std::sort(lines.begin(), lines.end());
    return lines;
}

int CPictureList::ShownLine() const {
    const int current = currentRow();
    if (current >= 0 && item(current) != nullptr && item(current)->isSelected()) return current;
    return FirstHighlighted();
}

void CPictureList::Highlight(int index) {
    pressed_line_ = -1;
    if (index < 0 || index >= count()) {
        clearSelection();
        return;
    }
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
}

void CPictureList::Highlight(const std::vector<int>& lines) {
    pressed_line_ = -1;
    std::vector<int> valid;
    for (int line : lines)
        if (line >= 0 && line < count()) valid.push_back(line);
    if (valid.empty()) {
        clearSelection();
        return;
    }
    QItemSelection selection;
    for (int line : valid) {
        const QModelIndex index = model()->index(line, 0);
        selection.select(index, index);
    }
    // One change of the highlight: the owner hears of the shown line once.
    const bool blocked = blockSignals(true);
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    selectionModel()->setCurrentIndex(model()->index(valid.front(), 0),
                                      QItemSelectionModel::NoUpdate);
    blockSignals(blocked);
    OnSelectionChanged();
    scrollToItem(item(valid.front()));
}

QRect CPictureList::CheckBoxRect(int index) const {
    QListWidgetItem* line = item(index);
    if (line == nullptr) return {};
    const QModelIndex model_index = indexFromItem(line);
    const auto* delegate = static_cast<PictureLineDelegate*>(itemDelegate());
    if (view_ == PictureView::Grid) return delegate->CellAt(visualRect(model_index)).check;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(model_index);
    delegate->initStyleOption(&option, model_index);
    return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
}

void CPictureList::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const QModelIndex index = indexAt(at);
    if (event->button() == Qt::LeftButton) {
        if (index.isValid() && CheckBoxRect(index.row()).contains(at)) ToggleCheck(index.row());
    }
    // Then the ordinary handling, which highlights the line pressed.
    pressing_ = true;
    QListWidget::mousePressEvent(event);
    pressing_ = false;
    pressed_line_ = index.isValid() ? index.row() : -1;
}

void CPictureList::keyPressEvent(QKeyEvent* event) {
    pressed_line_ = -1;
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
        const int shown = ShownLine();
        if (shown >= 0) {
            // Every highlighted line takes the shown line's new state, so that several lines
            // end alike however they started.
            const bool checked = !model_.IsChecked(shown);
            for (int line : HighlightedLines()) SetChecked(line, checked);
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

void CPictureList::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    // What is in sight may have changed (a scroll, a resize): ask for its thumbnails once the
    // painting is over, once however many paints come together.
    if (view_ == PictureView::Grid && !wanting_ && count() > 0) {
        wanting_ = true;
        QTimer::singleShot(0, this, [this] {
            wanting_ = false;
            WantThumbnails();
        });
    }
}

void CPictureList::WantThumbnails() {
    if (view_ != PictureView::Grid) return;
    const auto [first, last] = VisibleLines();
    if (last < first) return;
    // The lines in sight first, then a screenful below and half of one above, where the user is
    // most likely to scroll.
    const int in_sight = last - first + 1;
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(in_sight) * 5 / 2);
    for (int i = first; i <= last; ++i) names.push_back(model_.ItemText(i));
    for (int i = last + 1; i < std::min(count(), last + 1 + in_sight); ++i)
        names.push_back(model_.ItemText(i));
    for (int i = first - 1; i >= std::max(0, first - in_sight / 2); --i)
        names.push_back(model_.ItemText(i));
    thumbnails_->Want(names);
}

void CPictureList::OnThumbnailLoaded(const std::string& name) {
    if (view_ != PictureView::Grid) return;
    const QListWidgetItem* line = item(model_.IndexOf(name));
    if (line == nullptr) return;
    const QRect at = visualItemRect(line);
    if (at.intersects(viewport()->rect())) viewport()->update(at);
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
        if (view_ == PictureView::Grid)
            thumbnails_->SetBox(static_cast<int>(std::ceil(ThumbnailBox() * devicePixelRatioF())));
        scheduleDelayedItemsLayout();
    }
}

void CPictureList::OnSelectionChanged() {
    const int line = ShownLine();
    const int before = last_highlighted_;
    last_highlighted_ = line;
    // Only a line that becomes the shown one is news; losing the highlight changes nothing shown.
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
    typical_text_ = 0;
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
    // The width nine lines in ten do not exceed, shaped, with a few pixels to spare for the
    // difference of the sums.
    const auto by_width = [](const auto& a, const auto& b) { return a.first > b.first; };
    std::vector<std::pair<int, int>> tenth = sums;
    const std::size_t decile = tenth.size() / 10;
    std::nth_element(tenth.begin(), tenth.begin() + static_cast<std::ptrdiff_t>(decile),
                     tenth.end(), by_width);
    typical_text_ =
        metrics.horizontalAdvance(item(tenth[decile].second)->text()) + metrics.averageCharWidth();
    constexpr size_t kShaped = 16;
    const size_t shaped = std::min(kShaped, sums.size());
    std::partial_sort(sums.begin(), sums.begin() + static_cast<std::ptrdiff_t>(shaped), sums.end(),
                      by_width);
    for (size_t k = 0; k < shaped; ++k) {
        const int line = sums[k].second;
        const int width = metrics.horizontalAdvance(item(line)->text());
        if (widest_line_ < 0 || width > widest_text_) {
            widest_line_ = line;
            widest_text_ = width;
        }
    }
    typical_text_ = std::min(typical_text_, widest_text_);
}
