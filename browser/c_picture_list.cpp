#include "browser/c_picture_list.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>

namespace {

// Gives access to the delegate's own layout of a line, so that the check box's hit area is exactly
// where the box is drawn, whatever the style.
class LineDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::initStyleOption;
    using QStyledItemDelegate::QStyledItemDelegate;
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
    // Each column is as wide as its longest name; uniform sizes would cut every name to the width
    // of the first one. Batched layout keeps a folder of thousands of pictures responsive.
    setUniformItemSizes(false);
    setLayoutMode(QListView::Batched);
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
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        addItem(item);
        ShowCheck(i);
    }
    blockSignals(blocked);
    last_highlighted_ = -1;
}

void CPictureList::Clear() {
    const bool blocked = blockSignals(true);
    clear();
    blockSignals(blocked);
    model_.Clear();
    last_highlighted_ = -1;
}

int CPictureList::InsertPicture(const std::string& name, bool checked) {
    const int index = model_.InsertPicture(name, checked);
    auto* item = new QListWidgetItem(QString::fromStdString(name));
    // Not user-checkable: the press handler below toggles the box itself, so that a press toggles
    // exactly once and the release does not toggle it back.
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    const bool blocked = blockSignals(true);
    insertItem(index, item);
    blockSignals(blocked);
    ShowCheck(index);
    last_highlighted_ = FirstHighlighted();
    return index;
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
    QListWidget::mousePressEvent(event);
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
