#include "widgets/text_fit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <algorithm>

namespace {

constexpr double kSmallestPoints = 7.0;

// The width the widest line of `text` needs in `font`.
int TextWidth(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

// How much wider than its room the control's text is in `font` (0 or less: it fits).
int Overflow(const QWidget* control, const QFont& font) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        if (label->text().isEmpty() || label->wordWrap()) return 0;
        return TextWidth(font, label->text()) -
               (label->contentsRect().width() - 2 * label->margin());
    }
    if (const auto* push = qobject_cast<const QPushButton*>(control)) {
        // The text is drawn centred in the button's contents, inside its frame.
        QStyleOptionButton option;
        option.initFrom(push);
        option.rect = push->rect();
        option.features =
            push->autoDefault() ? QStyleOptionButton::AutoDefaultButton : QStyleOptionButton::None;
        const QRect room =
            push->style()->subElementRect(QStyle::SE_PushButtonContents, &option, push);
        return TextWidth(font, push->text()) - room.width();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        // A check box or radio button: the box, the gap and the text, as the style measures it.
        if (button->text().isEmpty()) return 0;
        QWidget* probe = const_cast<QAbstractButton*>(button);
        const QFont kept = probe->font();
        probe->setFont(font);
        const int needed = probe->sizeHint().width();
        probe->setFont(kept);
        return needed - button->width();
    }
    if (const auto* list = qobject_cast<const QComboBox*>(control)) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.rect = list->rect();
        option.editable = list->isEditable();
        // The shown line is drawn one pixel in from each side of the field.
        const int room =
            list->style()
                ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list)
                .width() -
            2;
        int widest = 0;
        for (int i = 0; i < list->count(); ++i)
            widest = std::max(widest, TextWidth(font, list->itemText(i)));
        return widest - room;
    }
    return 0;
}

}  // namespace

void FitText(QWidget* control) {
    QFont font = control->font();
    if (Overflow(control, font) <= 0) return;
    while (Overflow(control, font) > 0 && font.pointSizeF() > kSmallestPoints)
        font.setPointSizeF(std::max(kSmallestPoints, font.pointSizeF() - 0.5));
    control->setFont(font);
}

void FitTexts(QWidget* window) {
    FitText(window);
    for (QWidget* control : window->findChildren<QWidget*>()) FitText(control);
}
