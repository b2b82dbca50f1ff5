#include "widgets/view_switch.h"

#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QToolButton>

#include "widgets/c_picture_list.h"

namespace {

// Four small pictures in a square: what a grid of thumbnails looks like from afar.
QIcon GridIcon() {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            const QRect square(1 + column * 8, 1 + row * 8, 6, 6);
            painter.fillRect(square, QColor(70, 110, 170));
            painter.setPen(QColor(40, 60, 100));
            painter.drawRect(square.adjusted(0, 0, -1, -1));
        }
    }
    return QIcon(picture);
}

}  // namespace

QToolButton* MakeViewSwitch(CPictureList* list, QWidget* parent, ControlId id) {
    auto* button = new QToolButton(parent);
    NameControl(button, id);
    button->setCheckable(true);
    button->setIcon(GridIcon());
    button->setAutoRaise(false);
    button->setToolTip(QStringLiteral("サムネイル表示 (Ctrl+T)"));
    button->setAccessibleName(QStringLiteral("サムネイル表示"));
    button->setChecked(list->View() == PictureView::Grid);
    QObject::connect(button, &QToolButton::toggled, list, [list](bool grid) {
        list->SetView(grid ? PictureView::Grid : PictureView::List);
    });
    QObject::connect(list, &CPictureList::ViewChanged, button,
                     [button](PictureView view) { button->setChecked(view == PictureView::Grid); });
    // Anywhere in the window while the list is shown (on the album maker's Picture page only).
    auto* keys = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_T), parent);
    keys->setContext(Qt::WindowShortcut);
    QObject::connect(keys, &QShortcut::activated, button, [button] { button->toggle(); });
    return button;
}
