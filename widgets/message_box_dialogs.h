#pragma once

#include "platform/user_dialogs.h"

class QWidget;

// UserDialogs shown as QMessageBox windows: a missing caption is the application's name
// (QCoreApplication::applicationName(): Pictavo or Scalvo); icons map Exclamation -> Warning,
// Error -> Critical, Information -> Information, None -> NoIcon.
class MessageBoxDialogs : public UserDialogs {
  public:
    explicit MessageBoxDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    MessageAnswer ShowMessage(const std::string& text, const std::optional<std::string>& caption,
                              MessageIcon icon, MessageButtons buttons) override;
    MessageAnswer ShowJobEnd(const std::string& text, const std::string& note,
                             const std::optional<std::string>& caption, MessageIcon icon,
                             MessageButtons buttons) override;

  private:
    MessageAnswer Show(const std::string& text, const std::string* note,
                       const std::optional<std::string>& caption, MessageIcon icon,
                       MessageButtons buttons);

    QWidget* parent_;
};
