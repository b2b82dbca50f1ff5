#include "widgets/enter_presses_buttons.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QEvent>
#include <QKeyEvent>
#include <QRadioButton>
#include <QWidget>

namespace {

class EnterPresses : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const Qt::KeyboardModifiers other = key->modifiers() & ~Qt::KeypadModifier;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!enter || other != Qt::NoModifier || button == nullptr || !button->isEnabled() ||
            !button->hasFocus())
            return QObject::eventFilter(watched, event);
        // Shown pressed for a moment, then clicked, as with Space.
        button->animateClick();
        return true;
    }
};

}  // namespace

void EnterPressesButtons(QWidget* window) {
    auto* filter = new EnterPresses(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
        if (qobject_cast<QCheckBox*>(button) || qobject_cast<QRadioButton*>(button)) continue;
        button->installEventFilter(filter);
    }
}
