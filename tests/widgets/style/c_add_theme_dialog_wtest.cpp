#include "album/style/c_add_theme_dialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "tests/support/recording_user_dialogs.h"

class AddThemeDialogTest : public QObject {
    Q_OBJECT
  private slots:
    void refusesOrAcceptsTitles_data();
    void refusesOrAcceptsTitles();
    void cancelReturnsNothing();
};

void AddThemeDialogTest::refusesOrAcceptsTitles_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("message");
    const QString taken = QString::fromUtf8(CAddThemeDialog::TitleTakenMessage());
    QTest::newRow("same title in another letter case") << "SPRING" << false << taken;
    QTest::newRow("same Japanese title") << "春の海" << false << taken;
    QTest::newRow("trailing space makes another title") << "Spring " << true << "";
    QTest::newRow("new title") << "秋" << true << "";
    QTest::newRow("empty title when no theme has one") << "" << true << "";
    QTest::newRow("comma cannot be stored") << "a,b" << false << "カンマ";
}

void AddThemeDialogTest::refusesOrAcceptsTitles() {
    QFETCH(QString, title);
    QFETCH(bool, accepted);
    QFETCH(QString, message);
    const ThemeList themes = ParseThemeText("Spring,,,,,,,,,,\r\n春の海,,,,,,,,,,\r\n");
    RecordingUserDialogs dialogs;
    CAddThemeDialog dialog(themes, dialogs);
    QCOMPARE(dialog.windowTitle(), QString("テーマの追加"));
    dialog.show();
    auto* edit = dialog.findChild<QLineEdit*>("title");
    edit->setText(title);
    dialog.findChild<QPushButton*>("ok")->click();
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
    dialog.findChild<QPushButton*>("cancel")->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(dialogs.calls.empty());
}

QTEST_MAIN(AddThemeDialogTest)
#include "c_add_theme_dialog_wtest.moc"
