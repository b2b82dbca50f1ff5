// The HTML page: its defaults, the column and row checks that keep the user on the page, and the
// rows box that follows "split over several pages".

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "album/shell/up_down_control.h"
#include "sheet_fixture.h"
#include "widgets/data_exchange.h"

namespace {
constexpr int kHtmlTab = 1;
constexpr int kStyleTab = 2;
}  // namespace

class HtmlPageTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { PrepareTestProgram(); }

    void FirstStartShowsTheDefaults() {
        SheetFixture f;
        f.Show();
        QCOMPARE(f.ChooseTab(kHtmlTab), kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        QCOMPARE(Control<QLineEdit>(page, "1012")->text(), QStringLiteral("MY ALUBUM"));
        QCOMPARE(Control<QLineEdit>(page, "1016")->text(),
                 QStringLiteral("ここに全体のコメントを書く"));
        QCOMPARE(Control<QLineEdit>(page, "1039")->text(), QStringLiteral("5"));
        QCOMPARE(Control<QLineEdit>(page, "1054")->text(), QStringLiteral("1"));
        QVERIFY(!Control<QLineEdit>(page, "1054")->isEnabled());
        QVERIFY(!Control<UpDownControl>(page, "1042")->isEnabled());
        QVERIFY(!Control<QCheckBox>(page, "1044")->isChecked());
        QVERIFY(Control<QCheckBox>(page, "1045")->isChecked());
        QVERIFY(Control<QCheckBox>(page, "1037")->isChecked());
        QVERIFY(Control<QRadioButton>(page, "1023")->isChecked());
        QVERIFY(!Control<QRadioButton>(page, "1022")->isChecked());
        QVERIFY(!Control<QCheckBox>(page, "1033")->isChecked());
        QVERIFY(!Control<QCheckBox>(page, "1034")->isChecked());
        // The picture-size box exists for its field but is never offered.
        QVERIFY(!Control<QCheckBox>(page, "1038")->isVisible());
    }

    void WrongColumnsKeepThePage_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("zero") << "0" << Q(OutOfRangeMessage(1, 10));
        QTest::newRow("eleven") << "11" << Q(OutOfRangeMessage(1, 10));
        QTest::newRow("empty") << "" << Q(NotAWholeNumberMessage());
    }
    void WrongColumnsKeepThePage() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        auto* cols = Control<QLineEdit>(f.Page(kHtmlTab), "1039");
        SheetFixture::TypeInto(cols, typed);
        QCOMPARE(f.ChooseTab(kStyleTab), kHtmlTab);
        QCOMPARE(f.dialogs.calls.size(), std::size_t(1));
        QCOMPARE(Q(f.dialogs.calls[0].text), message);
        QCOMPARE(f.dialogs.calls[0].icon, MessageIcon::Exclamation);
        QVERIFY(!f.dialogs.calls[0].caption.has_value());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(cols));
        QCOMPARE(cols->selectedText(), cols->text());

        // Mended, the page lets the user go.
        SheetFixture::TypeInto(cols, QStringLiteral("10"));
        QCOMPARE(f.ChooseTab(kStyleTab), kStyleTab);
        QCOMPARE(f.Settings().thumbnail_cols, 10);
    }

    void StoredZeroRowsBlockLeavingAlthoughTheBoxIsGreyed() {
        SheetFixture f;
        f.Settings().thumbnail_rows = 0;  // as a hand-edited profile may hold
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        auto* rows = Control<QLineEdit>(page, "1054");
        QVERIFY(!rows->isEnabled());
        QCOMPARE(f.ChooseTab(kStyleTab), kHtmlTab);
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{OutOfRangeMessage(1, 10)});

        // Tick, mend, untick: the user may go on, and the rows keep the mended value.
        auto* split = Control<QCheckBox>(page, "1044");
        QTest::mouseClick(split, Qt::LeftButton);
        QVERIFY(rows->isEnabled());
        SheetFixture::TypeInto(rows, QStringLiteral("3"));
        QTest::mouseClick(split, Qt::LeftButton);
        QVERIFY(!rows->isEnabled());
        QCOMPARE(rows->text(), QStringLiteral("3"));
        QCOMPARE(f.ChooseTab(kStyleTab), kStyleTab);
        QCOMPARE(f.Settings().thumbnail_rows, 3);
        QCOMPARE(f.Settings().html_page, 0);
    }

    void StoredColumnsOutOfRangeAreShownAsTheyAre() {
        SheetFixture f;
        f.Settings().thumbnail_cols = 25;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QCOMPARE(Control<QLineEdit>(f.Page(kHtmlTab), "1039")->text(), QStringLiteral("25"));
        QCOMPARE(f.ChooseTab(0), kHtmlTab);
    }

    void LeavingCopiesEveryControlInto_its_field() {
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        SheetFixture::TypeInto(Control<QLineEdit>(page, "1012"), QStringLiteral("夏休み"));
        SheetFixture::TypeInto(Control<QLineEdit>(page, "1016"), QStringLiteral("海と山"));
        QTest::mouseClick(Control<QCheckBox>(page, "1044"), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, "1045"), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, "1037"), Qt::LeftButton);
        QTest::mouseClick(Control<QRadioButton>(page, "1022"), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, "1033"), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, "1034"), Qt::LeftButton);
        QCOMPARE(f.ChooseTab(3), 3);
        const AlbumSettings& s = f.Settings();
        QCOMPARE(Q(s.html_title), QStringLiteral("夏休み"));
        QCOMPARE(Q(s.html_comment), QStringLiteral("海と山"));
        QCOMPARE(s.html_page, 1);
        QCOMPARE(s.thumbnail_frame, 0);
        QCOMPARE(s.thumbnail_fname, 0);
        QCOMPARE(s.brws_mode, 1);
        QCOMPARE(s.html_marquee, 1);
        QCOMPARE(s.slide_mode, 1);
        QVERIFY(f.dialogs.calls.empty());
    }

    void TabMovesThroughTheControlsInLayoutOrder() {
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        QTest::mouseClick(Control<QCheckBox>(page, "1044"), Qt::LeftButton);  // rows take part
        auto* first = Control<QLineEdit>(page, "1012");
        first->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int i = 0; i < 12; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        // The radio pair is one stop, as a group; the arrows take no focus of their own.
        const QStringList expected = {"1012", "1016", "1045", "1037", "1039",
                                      "1044", "1054", "1023", "1033", "1034"};
        QCOMPARE(order.mid(0, expected.size()), expected);
    }

    void ArrowsStayWithinOneToTen() {
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        auto* cols = Control<QLineEdit>(page, "1039");
        auto* spin = Control<UpDownControl>(page, "1040");
        for (int i = 0; i < 8; ++i) QTest::mouseClick(spin->UpButton(), Qt::LeftButton);
        QCOMPARE(cols->text(), QStringLiteral("10"));
        SheetFixture::TypeInto(cols, QStringLiteral("2"));
        QTest::keyClick(cols, Qt::Key_Down);
        QTest::keyClick(cols, Qt::Key_Down);
        QCOMPARE(cols->text(), QStringLiteral("1"));
        // Digits only: a minus sign cannot be typed.
        SheetFixture::TypeInto(cols, QStringLiteral("-3"));
        QCOMPARE(cols->text(), QStringLiteral("3"));
    }
};

QTEST_MAIN(HtmlPageTest)
#include "html_page_wtest.moc"
