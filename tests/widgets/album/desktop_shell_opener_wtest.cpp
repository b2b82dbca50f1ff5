// Opening files with the desktop: a missing file or one nothing opens is reported in the "Error"
// box with the information icon; a file the desktop takes is handed over without a message.

#include <QTest>
#include <cerrno>
#include <cstring>

#include "album/shell/desktop_shell_opener.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

class DesktopShellOpenerTest : public QObject {
    Q_OBJECT
  private slots:
    void Cases_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("desktop_accepts");
        QTest::addColumn<bool>("launched");
        QTest::addColumn<bool>("reported");
        QTest::newRow("existing file opened") << true << true << true << false;
        QTest::newRow("missing file") << false << true << false << true;
        QTest::newRow("no program for the type") << true << false << true << true;
    }
    void Cases() {
        QFETCH(bool, exists);
        QFETCH(bool, desktop_accepts);
        QFETCH(bool, launched);
        QFETCH(bool, reported);
        TempDir dir;
        const std::string path = dir / "my.html";
        if (exists) QVERIFY(WriteTestFile(path, "<html></html>"));
        RecordingUserDialogs dialogs;
        std::vector<std::string> handed;
        DesktopShellOpener opener(dialogs, [&](const std::string& p) {
            handed.push_back(p);
            return desktop_accepts;
        });
        opener.OpenWithShell(path);
        QCOMPARE(!handed.empty(), launched);
        if (launched) QCOMPARE(handed[0], path);
        QCOMPARE(dialogs.calls.size(), std::size_t(reported ? 1 : 0));
        if (reported) {
            QCOMPARE(dialogs.calls[0].caption, std::optional<std::string>("Error"));
            QCOMPARE(dialogs.calls[0].icon, MessageIcon::Information);
            QCOMPARE(dialogs.calls[0].buttons, MessageButtons::Ok);
            QVERIFY(!dialogs.calls[0].text.empty());
            if (!exists) QCOMPARE(dialogs.calls[0].text, std::string(std::strerror(ENOENT)));
        }
    }
};

QTEST_MAIN(DesktopShellOpenerTest)
#include "desktop_shell_opener_wtest.moc"
