#include "album/style/c_add_theme_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "album/style/add_theme_dialog_ids.h"
#include "tests/support/find_control.h"
#include "tests/support/recording_user_dialogs.h"

namespace ids = add_theme_dialog_ids;

class AddThemeDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void refusesOrAcceptsTitles_data();
    void refusesOrAcceptsTitles();
    void cancelReturnsNothing();
};

void AddThemeDialogTest::refusesOrAcceptsTitles_data() {
    QTest::addColumn<int>("renamed");  // the theme being renamed; -1 when one is added
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");
    const QString taken = QString::fromUtf8(CAddThemeDialog::TitleTakenMessage());
    QTest::newRow("same title in another letter case") << -1 << "SPRING" << false << taken;
    QTest::newRow("same Japanese title") << -1 << "春の海" << false << taken;
    QTest::newRow("trailing space makes another title") << -1 << "Spring " << true << "";
    QTest::newRow("new title") << -1 << "秋" << true << "";
    QTest::newRow("empty title when no theme has one") << -1 << "" << true << "";
    QTest::newRow("comma cannot be stored") << -1 << "a,b" << false << "カンマ";
    QTest::newRow("renamed to its own title in another case") << 0 << "SPRING" << true << "";
    QTest::newRow("renamed to another theme's title") << 0 << "春の海" << false << taken;
    QTest::newRow("renamed to nothing") << 0 << "" << false << "入力";
}

void AddThemeDialogTest::refusesOrAcceptsTitles() {
    QFETCH(int, renamed);
    QFETCH(QString, title);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    const ThemeList themes = ParseThemeText("Spring,,,,,,,,,,\r\n春の海,,,,,,,,,,\r\n");
    RecordingUserDialogs dialogs;
    CAddThemeDialog dialog(themes, dialogs);
    auto* edit = Control<QLineEdit>(&dialog, ids::kTitleEdit);
    if (renamed >= 0) {
        dialog.SetRenamedTheme(std::size_t(renamed));
        QCOMPARE(dialog.windowTitle(), QString("テーマ名の変更"));
        QCOMPARE(edit->text(), QString::fromStdString(themes[std::size_t(renamed)].title));
    } else {
        QCOMPARE(dialog.windowTitle(), QString("テーマの追加"));
    }
    dialog.show();
    edit->setText(title);
    Control<QPushButton>(&dialog, ids::kOkButton)->click();
    QCOMPARE(dialog.result() == QDialog::Accepted, accepted);
    QCOMPARE(dialog.isVisible(), !accepted);
    QCOMPARE(dialog.Title(), title.toStdString());
    if (accepted) {
        QVERIFY(dialogs.calls.empty());
    } else {
        QCOMPARE(dialogs.calls.size(), std::size_t{1});
        QVERIFY(QString::fromStdString(dialogs.calls[0].text).contains(message));
        QCOMPARE(dialogs.calls[0].buttons, MessageButtons::Ok);
        QCOMPARE(edit->text(), title);  // the typed text stays for correction
    }
}

void AddThemeDialogTest::cancelReturnsNothing() {
    RecordingUserDialogs dialogs;
    const ThemeList themes;
    CAddThemeDialog dialog(themes, dialogs);
    dialog.show();
    dialog.SetTitle("x");
    Control<QPushButton>(&dialog, ids::kCancelButton)->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialogs.calls.empty());
}

QTEST_MAIN(AddThemeDialogTest)
#include "c_add_theme_dialog_wtest.moc"
