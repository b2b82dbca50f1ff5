// Opening files with the desktop: a missing file, no opener, or an opener that found no program
// for the file (it answers by its exit status, after the call has returned) is reported in the
// warning titled "エラー" naming the file; a file the desktop takes is handed over without a
// message.

#include <QTest>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"
#include "widgets/desktop_shell_opener.h"

class DesktopShellOpenerTest : public QObject {
    Q_OBJECT
  private slots:
    void Cases_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<int>("status");  // the opener's exit status; -1: there is no opener
        QTest::addColumn<QByteArray>("argument");  // what the opener is given, after the folder
        QTest::addColumn<QString>("reason");       // empty: no message
        const QString none;
        QTest::newRow("a page the desktop opens")
            << QByteArray("my.html") << 0 << QByteArray("my.html") << none;
        QTest::newRow("a page nothing opens")
            << QByteArray("my.html") << 3 << QByteArray("my.html")
            << QStringLiteral("このファイルを開くブラウザが見つからないか、起動できませんでした。");
        QTest::newRow("a wallpaper whose viewer fails at once")
            << QByteArray("snow.PNG") << 4 << QByteArray("snow.PNG")
            << QStringLiteral(
                   "このファイルを開く画像ビューアが見つからないか、起動できませんでした。");
        QTest::newRow("a tune with no opener on the system")
            << QByteArray("umi.mid") << -1 << QByteArray()
            << QStringLiteral(
                   "このファイルを開く音楽プレーヤーが見つからないか、起動できませんでした。");
        QTest::newRow("a folder nothing opens") << QByteArray("album/") << 3 << QByteArray("album/")
                                                << QStringLiteral(
                                                       "このフォルダを開くファイルマネージャーが見"
                                                       "つからないか、起動できませんでした。");
        QTest::newRow("a missing file")
            << QByteArray() << 0 << QByteArray() << QString::fromUtf8(std::strerror(ENOENT));
        QTest::newRow("a name that is not UTF-8 goes as a file URL")
            << QByteArray("caf\xe9 #1.png") << 0 << QByteArray("caf%E9%20%231.png") << none;
    }
    void Cases() {
        QFETCH(QByteArray, name);
        QFETCH(int, status);
        QFETCH(QByteArray, argument);
        QFETCH(QString, reason);
        TempDir dir;
        const std::string path = dir / (name.isEmpty() ? "gone.html" : name.toStdString());
        if (name.endsWith('/'))
            std::filesystem::create_directories(path);
        else if (!name.isEmpty())
            QVERIFY(WriteTestFile(path, "x"));
        // The opener writes down what it was given, then answers.
        const std::string given = dir / "given";
        const std::string opener = dir / "opener";
        if (status >= 0) {
            QVERIFY(WriteTestFile(opener, "#!/bin/sh\nprintf '%s' \"$1\" > '" + given + "'\nexit " +
                                              std::to_string(status) + "\n"));
            std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
        }
        RecordingUserDialogs dialogs;
        {
            DesktopShellOpener shell(dialogs, QString::fromStdString(opener));
            shell.OpenWithShell(path);
            QTRY_COMPARE_WITH_TIMEOUT(shell.Pending(), 0, 10000);
        }
        if (argument.isEmpty()) {
            QVERIFY(!std::filesystem::exists(given));
        } else {
            const std::string folder = dir.Path() + "/";
            const std::string expected = name == argument
                                             ? folder + argument.toStdString()
                                             : "file://" + folder + argument.toStdString();
            QCOMPARE(ReadTestFile(given), expected);
        }
        if (reason.isEmpty()) {
            QVERIFY(dialogs.calls.empty());
            return;
        }
        QCOMPARE(dialogs.calls.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(dialogs.calls[0].text),
                 QStringLiteral("「%1」を開けませんでした。\n%2")
                     .arg(QString::fromStdString(path), reason));
        QCOMPARE(dialogs.calls[0].caption, std::optional<std::string>("エラー"));
        QCOMPARE(dialogs.calls[0].icon, MessageIcon::Exclamation);
        QCOMPARE(dialogs.calls[0].buttons, MessageButtons::Ok);
    }
};

QTEST_MAIN(DesktopShellOpenerTest)
#include "desktop_shell_opener_wtest.moc"
