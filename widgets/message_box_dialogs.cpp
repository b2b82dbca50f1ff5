#include "widgets/message_box_dialogs.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

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

// What a screen reader says of the box's icon, which otherwise is a picture without a name.
QString IconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Exclamation:
            return QStringLiteral("警告");
        case MessageIcon::Error:
            return QStringLiteral("エラー");
        case MessageIcon::Information:
            return QStringLiteral("情報");
        case MessageIcon::None:
            break;
    }
    return QString();
}

}  // namespace

MessageAnswer MessageBoxDialogs::ShowMessage(const std::string& text,
                                             const std::optional<std::string>& caption,
                                             MessageIcon icon, MessageButtons buttons) {
    return Show(text, nullptr, caption, icon, buttons);
}

MessageAnswer MessageBoxDialogs::ShowJobEnd(const std::string& text, const std::string& note,
                                            const std::optional<std::string>& caption,
                                            MessageIcon icon, MessageButtons buttons) {
    return Show(text, &note, caption, icon, buttons);
}

MessageAnswer MessageBoxDialogs::Show(const std::string& text, const std::string* note,
                                      const std::optional<std::string>& caption, MessageIcon icon,
                                      MessageButtons buttons) {
    const QString title =
        caption ? QString::fromStdString(*caption) : QCoreApplication::applicationName();
    QMessageBox box(ToQtIcon(icon), title, QString::fromStdString(text), QMessageBox::NoButton,
                    parent_);
    for (QLabel* label : box.findChildren<QLabel*>())
        if (label->text().isEmpty() && !label->pixmap().isNull())
            label->setAccessibleName(IconName(icon));
    if (IsQuestion(buttons)) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(buttons == MessageButtons::YesNoDefaultNo ? QMessageBox::No
                                                                       : QMessageBox::Yes);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    QAbstractButton* open_folder = nullptr;
    if (note != nullptr) {
        box.setInformativeText(QString::fromStdString(*note));
        open_folder = box.addButton(QStringLiteral("フォルダを開く"), QMessageBox::ActionRole);
        // The folder's path stays on one line: broken after one of its slashes it reads as two
        // folders.
        if (auto* note_label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
            note_label->setWordWrap(false);
    }
    // A message shown while the wait cursor is up (a job reporting a failure) must still be
    // answerable with the normal arrow.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (waiting) QApplication::restoreOverrideCursor();
    if (open_folder != nullptr && box.clickedButton() == open_folder)
        return MessageAnswer::OpenFolder;
    if (!IsQuestion(buttons)) return MessageAnswer::Ok;
    return box.clickedButton() == box.button(QMessageBox::Yes) ? MessageAnswer::Yes
                                                               : MessageAnswer::No;
}
