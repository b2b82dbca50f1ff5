#include "album/style/c_add_theme_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "album/style/add_theme_dialog_ids.h"
#include "platform/user_dialogs.h"
#include "widgets/data_exchange.h"
#include "widgets/dialog_units.h"
#include "widgets/text_fit.h"

CAddThemeDialog::CAddThemeDialog(const ThemeList& themes, UserDialogs& dialogs, QWidget* parent)
    : QDialog(parent), themes_(themes), dialogs_(dialogs) {
    namespace ids = add_theme_dialog_ids;
    NameControl(this, ids::kDialog);
    setWindowTitle(QStringLiteral("テーマの追加"));
    setModal(true);
    setFont(DialogFont());
    // A plain dialog frame: no system menu, no help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    const DialogUnits du(font());
    auto* label = new QLabel(QStringLiteral("テーマタイトル ："), this);
    du.Place(label, 31, 13, 56, 8);
    title_edit_ = new QLineEdit(this);
    NameControl(title_edit_, ids::kTitleEdit);
    du.Place(title_edit_, 31, 25, 94, 14);
    label->setBuddy(title_edit_);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    NameControl(ok_, ids::kOkButton);
    ok_->setDefault(true);
    du.Place(ok_, 25, 50, 50, 14);
    cancel_ = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    NameControl(cancel_, ids::kCancelButton);
    du.Place(cancel_, 80, 50, 50, 14);
    setFixedSize(du.ToPixels(0, 0, 158, 71).size());
    FitTexts(this);

    connect(ok_, &QPushButton::clicked, this, &CAddThemeDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &CAddThemeDialog::reject);
    title_edit_->setFocus();
}

std::string CAddThemeDialog::Title() const {
    return title_edit_->text().toUtf8().toStdString();
}

void CAddThemeDialog::SetTitle(const std::string& title) {
    title_edit_->setText(QString::fromUtf8(title.c_str(), static_cast<qsizetype>(title.size())));
}

void CAddThemeDialog::SetRenamedTheme(std::size_t index) {
    if (index >= themes_.size()) return;
    renamed_ = index;
    setWindowTitle(QStringLiteral("テーマ名の変更"));
    SetTitle(themes_[index].title);
    title_edit_->selectAll();
}

const char* CAddThemeDialog::TitleTakenMessage() {
    return "そのタイトルのテーマは既に存在します。\n別のタイトルをつけてください。";
}

void CAddThemeDialog::accept() {
    const std::string title = Title();
    std::optional<std::string> problem;
    MessageIcon icon = MessageIcon::None;
    ThemeList others = themes_;
    if (renamed_) others.erase(others.begin() + static_cast<std::ptrdiff_t>(*renamed_));
    if (IsThemeTitleTaken(others, title)) {
        problem = TitleTakenMessage();
    } else {
        // A comma or a character the theme file cannot hold would make the line read back with
        // its fields shifted or garbled, so such a title is refused rather than stored wrongly.
        problem = renamed_ ? RenamedThemeTitleProblem(title) : ThemeTitleProblem(title);
        icon = MessageIcon::Exclamation;
    }
    if (problem) {
        dialogs_.ShowMessage(*problem, std::nullopt, icon, MessageButtons::Ok);
        title_edit_->setFocus();
        return;
    }
    QDialog::accept();
}
