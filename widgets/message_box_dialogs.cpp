#include "widgets/message_box_dialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer MessageBoxDialogs::ShowMessage(const std::string& text,
                                             const std::optional<std::string>& caption,
                                             MessageIcon icon, MessageButtons buttons) {
    const QString title =
        caption ? QString::fromStdString(*caption) : QCoreApplication::applicationName();
    QMessageBox box(ToQtIcon(icon), title, QString::fromStdString(text), QMessageBox::NoButton,
                    parent_);
    if (buttons == MessageButtons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // A message shown while the wait cursor is up (a job reporting a failure) must still be
    // answerable with the normal arrow.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int result = box.exec();
    if (waiting) QApplication::restoreOverrideCursor();
    if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
    return result == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}
