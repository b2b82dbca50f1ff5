#include "album/style/c_color_button.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QPainter>
#include <cstring>
#include <utility>

#include "album/style/color_button_ids.h"

QEvent::Type CColorButton::ChangedEvent::EventType() {
    static const QEvent::Type type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QColor ColorRefToQColor(int colour) {
    const auto value = static_cast<unsigned>(colour);
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int QColorToColorRef(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

CColorButton::CColorButton(ControlId id, QWidget* parent)
    : QAbstractButton(parent),
      colour_(QColorToColorRef(palette().color(QPalette::Button))),
      chooser_(&CColorButton::ChooseColorWithDialog) {
    NameControl(this, id);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &CColorButton::OnClicked);
}

void CColorButton::SetColor(int colour) {
    colour_ = colour & 0xFFFFFF;
    update();
}

QSize CColorButton::sizeHint() const {
    return QSize(32, 22);
}

void CColorButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect r = rect();
    painter.fillRect(r, ColorRefToQColor(colour_));

    // A one-pixel frame: dark on all four sides while pressed, else raised (light top-left, shadow
    // bottom-right). Focus and disabled states are deliberately not drawn: the face is the colour.
    const QPalette& pal = palette();
    const QColor top_left = isDown() ? pal.color(QPalette::Shadow) : pal.color(QPalette::Light);
    const QColor bottom_right = isDown() ? pal.color(QPalette::Shadow) : pal.color(QPalette::Dark);
    painter.setPen(top_left);
    painter.drawLine(r.topLeft(), r.topRight());
    painter.drawLine(r.topLeft(), r.bottomLeft());
    painter.setPen(bottom_right);
    painter.drawLine(r.bottomLeft(), r.bottomRight());
    painter.drawLine(r.topRight(), r.bottomRight());
}

void CColorButton::OnClicked() {
    std::optional<int> chosen = chooser_ ? chooser_(this, colour_) : std::nullopt;
    if (!chosen) return;
    SetColor(*chosen);
    // Queued, not sent: the parent reacts once the chooser is gone and this handler has returned.
    if (QWidget* parent = parentWidget()) {
        QCoreApplication::postEvent(parent, new ChangedEvent(this, colour_));
    }
}

std::optional<int> CColorButton::ChooseColorWithDialog(QWidget* owner, int initial) {
    // The custom colours are static to QColorDialog, hence shared by every button; Qt may restore
    // a set saved by another program, so they are reset to white once, when this process first
    // opens the chooser.
    static const bool custom_colours_reset = [] {
        for (int i = 0; i < QColorDialog::customCount(); ++i) {
            QColorDialog::setCustomColor(i, QColor(Qt::white));
        }
        return true;
    }();
    (void)custom_colours_reset;

    QColorDialog dialog(ColorRefToQColor(initial), owner ? owner->window() : nullptr);
    NameControl(&dialog, color_button_ids::kChooserDialog);
    // The toolkit's chooser leaves its two drawn pickers and its sample without a name a screen
    // reader could announce; they are known only by their classes.
    static const std::pair<const char*, const char*> kDrawnParts[] = {
        {"QColorPicker", "色相と彩度"},
        {"QColorLuminancePicker", "明度"},
        {"QColorShowLabel", "選択した色"},
    };
    for (QWidget* part : dialog.findChildren<QWidget*>())
        for (const auto& [class_name, name] : kDrawnParts)
            if (part->accessibleName().isEmpty() &&
                std::strcmp(part->metaObject()->className(), class_name) == 0)
                part->setAccessibleName(QString::fromUtf8(name));
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QColor chosen = dialog.selectedColor();
    if (!chosen.isValid()) return std::nullopt;
    return QColorToColorRef(chosen);
}
