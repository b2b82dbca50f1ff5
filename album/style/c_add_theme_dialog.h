#pragma once

#include <QDialog>
#include <string>

#include "album/style/themes/theme_store.h"

class QLineEdit;
class QPushButton;
class UserDialogs;

// The modal dialog "テーマの追加" that asks for the title of a new coordinate theme. OK is accepted
// only for a title that no theme of the list has (letter case ignored) and that a theme line can
// store; otherwise a message explains why and the focus goes back into the edit box with the text
// kept. The title is taken exactly as typed, spaces included.
class CAddThemeDialog : public QDialog {
    Q_OBJECT
  public:
    CAddThemeDialog(const ThemeList& themes, UserDialogs& dialogs, QWidget* parent = nullptr);

    // The title as typed (UTF-8).
    std::string Title() const;
    // Presets the edit box's text.
    void SetTitle(const std::string& title);

    // The message shown for a title that a theme already has.
    static const char* TitleTakenMessage();

  public slots:
    void accept() override;

  private:
    const ThemeList& themes_;
    UserDialogs& dialogs_;
    QLineEdit* title_edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
