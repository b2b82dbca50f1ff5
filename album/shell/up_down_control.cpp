#include "album/shell/up_down_control.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <algorithm>

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    for (QToolButton* b : {up_, down_}) {
        // The arrows never take the focus: the buddy keeps it, as with the native control.
        b->setFocusPolicy(Qt::NoFocus);
        b->setAutoRepeat(true);
        b->setAutoRaise(false);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    // A screen reader's user who finds the arrows (they are never reached by Tab: Up and Down in
    // the buddy do the same) hears what each one does.
    up_->setAccessibleName(QStringLiteral("増やす"));
    down_->setAccessibleName(QStringLiteral("減らす"));
    connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
    setFocusPolicy(Qt::NoFocus);
}

void UpDownControl::SetBuddy(QLineEdit* buddy) {
    if (buddy_) buddy_->removeEventFilter(this);
    buddy_ = buddy;
    if (buddy_) buddy_->installEventFilter(this);
}

void UpDownControl::SetRange(int low, int high) {
    low_ = std::min(low, high);
    high_ = std::max(low, high);
    pos_ = std::clamp(pos_, low_, high_);
}

void UpDownControl::Step(int delta) {
    if (!isEnabled()) return;
    int value = pos_;
    if (buddy_) {
        bool ok = false;
        const int typed = buddy_->text().trimmed().toInt(&ok);
        if (ok) value = typed;
    }
    // A value already outside the range steps to the nearest end, never further out.
    const long long next = static_cast<long long>(value) + delta;
    pos_ = static_cast<int>(std::clamp<long long>(next, low_, high_));
    if (buddy_) {
        buddy_->setText(QString::number(pos_));
        buddy_->selectAll();
    }
}

bool UpDownControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            Step(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}
