#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

#include "tests/support/recording_user_dialogs.h"
#include "widgets/data_exchange.h"
#include "widgets/dialog_units.h"

class DataExchangeTest : public QObject {
    Q_OBJECT

  private slots:
    void exchange_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("stored");      // the result
        QTest::addColumn<int>("field");        // the field afterwards (it starts at 100)
        QTest::addColumn<QString>("message");  // empty when none is shown
        const QString not_number = QString::fromStdString(NotAWholeNumberMessage());
        const QString range = QStringLiteral("50 から 180 までの整数を入力してください。");
        QTest::newRow("a number in range") << "120" << true << 120 << "";
        QTest::newRow("the lowest bound") << "50" << true << 50 << "";
        QTest::newRow("the highest bound") << "180" << true << 180 << "";
        QTest::newRow("leading blanks and a sign") << "  +75" << true << 75 << "";
        QTest::newRow("below the range: stored, then refused") << "40" << false << 40 << range;
        QTest::newRow("above the range") << "181" << false << 181 << range;
        QTest::newRow("negative") << "-3" << false << -3 << range;
        QTest::newRow("letters") << "abc" << false << 100 << not_number;
        QTest::newRow("empty") << "" << false << 100 << not_number;
        QTest::newRow("a sign alone") << "-" << false << 100 << not_number;
        QTest::newRow("digits then letters") << "12px" << false << 100 << not_number;
        QTest::newRow("a decimal point") << "1.5" << false << 100 << not_number;
        QTest::newRow("beyond the integer range is not wrapped")
            << "4294967346" << false << 100 << not_number;
    }
    void exchange() {
        QFETCH(QString, typed);
        QFETCH(bool, stored);
        QFETCH(int, field);
        QFETCH(QString, message);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* edit = new QLineEdit(typed);
        auto* other = new QLineEdit;
        layout->addWidget(edit);
        layout->addWidget(other);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        other->setFocus();
        RecordingUserDialogs dialogs;
        int value = 100;
        QCOMPARE(ExchangeIntField(edit, value, 50, 180, dialogs), stored);
        QCOMPARE(value, field);
        if (message.isEmpty()) {
            QVERIFY(dialogs.calls.empty());
            return;
        }
        QCOMPARE(dialogs.calls.size(), size_t(1));
        QCOMPARE(QString::fromStdString(dialogs.calls[0].text), message);
        QVERIFY(!dialogs.calls[0].caption.has_value());
        QCOMPARE(dialogs.calls[0].icon, MessageIcon::Exclamation);
        QCOMPARE(dialogs.calls[0].buttons, MessageButtons::Ok);
        // The user is taken back to the box, its text selected for retyping.
        QTRY_VERIFY(edit->hasFocus());
        QCOMPARE(edit->selectedText(), typed);
    }

    void dialogUnitsFollowTheFontsBaseUnits() {
        const DialogUnits units;
        QVERIFY(units.BaseWidth() > 0 && units.BaseHeight() > 0);
        QCOMPARE(units.X(4), units.BaseWidth());
        QCOMPARE(units.Y(8), units.BaseHeight());
        // Controls that touch in units touch in pixels.
        const QRect left = units.ToPixels(7, 7, 157, 14);
        const QRect right = units.ToPixels(164, 7, 9, 14);
        QCOMPARE(left.right() + 1, right.left());
    }
};

QTEST_MAIN(DataExchangeTest)
#include "data_exchange_wtest.moc"
