#pragma once

#include <QDialog>
#include <optional>
#include <string>

#include "album/style/themes/theme_store.h"

class QLineEdit;
class QPushButton;
class UserDialogs;

// The modal dialog "テーマの追加" that asks for the title of a new coordinate theme (or a theme's
// new title). OK is accepted only for a title that no theme of the list has (letter case ignored)
// and that a theme line can store; otherwise a message explains why and the focus goes back into
// the edit box with the text kept. The title is taken exactly as typed, spaces included.
class CAddThemeDialog : public QDialog {
    Q_OBJECT
  public:
    CAddThemeDialog(const ThemeList& themes, UserDialogs& dialogs, QWidget* parent = nullptr);

    // The title as typed (UTF-8).
    std::string Title() const;
    // Presets the edit box's text.
    void SetTitle(const std::string& title);
    // Makes the dialog rename theme `index` of the list: the caption "テーマ名の変更", the edit box
    // starts with the theme's title, the theme's own title does not count as taken (a change of
    // letter case passes), and an empty title is refused as well.
    void SetRenamedTheme(std::size_t index);

    // The message shown for a title that a theme already has.
    static const char* TitleTakenMessage();

  public slots:
    void accept() override;

  private:
    const ThemeList& themes_;
    std::optional<std::size_t> renamed_;
    UserDialogs& dialogs_;
    QLineEdit* title_edit_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
