// The HTML page: its defaults, the column and row checks that keep the user on the page, and the
// rows box that follows "split over several pages".

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "album/shell/up_down_control.h"
#include "sheet_fixture.h"
#include "widgets/data_exchange.h"
#include "widgets/message_box_dialogs.h"

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
        QCOMPARE(Control<QLineEdit>(page, html_ids::kTitleEdit)->text(),
                 QStringLiteral("MY ALUBUM"));
        QCOMPARE(Control<QLineEdit>(page, html_ids::kDescriptionEdit)->text(),
                 QStringLiteral("ここに全体のコメントを書く"));
        QCOMPARE(Control<QLineEdit>(page, html_ids::kColumnsEdit)->text(), QStringLiteral("5"));
        QCOMPARE(Control<QLineEdit>(page, html_ids::kRowsEdit)->text(), QStringLiteral("1"));
        QVERIFY(!Control<QLineEdit>(page, html_ids::kRowsEdit)->isEnabled());
        QVERIFY(!Control<UpDownControl>(page, html_ids::kRowsSpin)->isEnabled());
        QVERIFY(!Control<QCheckBox>(page, html_ids::kSplitPagesCheck)->isChecked());
        QVERIFY(Control<QCheckBox>(page, html_ids::kFrameCheck)->isChecked());
        QVERIFY(Control<QCheckBox>(page, html_ids::kFileNameCheck)->isChecked());
        QVERIFY(Control<QRadioButton>(page, html_ids::kOwnSizeRadio)->isChecked());
        QVERIFY(!Control<QRadioButton>(page, html_ids::kFitBrowserRadio)->isChecked());
        QVERIFY(!Control<QCheckBox>(page, html_ids::kMarqueeCheck)->isChecked());
        QVERIFY(!Control<QCheckBox>(page, html_ids::kSlideShowCheck)->isChecked());
        // The picture-size box exists for its field but is never offered.
        QVERIFY(!Control<QCheckBox>(page, html_ids::kFileSizeCheck)->isVisible());
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
        auto* cols = Control<QLineEdit>(f.Page(kHtmlTab), html_ids::kColumnsEdit);
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
        auto* rows = Control<QLineEdit>(page, html_ids::kRowsEdit);
        QVERIFY(!rows->isEnabled());
        QCOMPARE(f.ChooseTab(kStyleTab), kHtmlTab);
        QCOMPARE(f.dialogs.Texts(), std::vector<std::string>{OutOfRangeMessage(1, 10)});

        // Tick, mend, untick: the user may go on, and the rows keep the mended value.
        auto* split = Control<QCheckBox>(page, html_ids::kSplitPagesCheck);
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
        QCOMPARE(Control<QLineEdit>(f.Page(kHtmlTab), html_ids::kColumnsEdit)->text(),
                 QStringLiteral("25"));
        QCOMPARE(f.ChooseTab(0), kHtmlTab);
    }

    void LeavingCopiesEveryControlInto_its_field() {
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        SheetFixture::TypeInto(Control<QLineEdit>(page, html_ids::kTitleEdit),
                               QStringLiteral("夏休み"));
        SheetFixture::TypeInto(Control<QLineEdit>(page, html_ids::kDescriptionEdit),
                               QStringLiteral("海と山"));
        QTest::mouseClick(Control<QCheckBox>(page, html_ids::kSplitPagesCheck), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, html_ids::kFrameCheck), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, html_ids::kFileNameCheck), Qt::LeftButton);
        QTest::mouseClick(Control<QRadioButton>(page, html_ids::kFitBrowserRadio), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, html_ids::kMarqueeCheck), Qt::LeftButton);
        QTest::mouseClick(Control<QCheckBox>(page, html_ids::kSlideShowCheck), Qt::LeftButton);
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

    void CtrlTabRefusedLeavesTheFocusInTheRefusedBox() {
        // The message box is modal and takes the focus while Ctrl+Tab is still at work; once it
        // is answered, the keyboard is back in the box, not on the row of tabs.
        SheetFixture f;
        MessageBoxDialogs boxes;
        f.sheet =
            std::make_unique<CPropSheet>(QStringLiteral("Pictavo"), f.folders, boxes, f.shell);
        f.Show();
        f.ChooseTab(kHtmlTab);
        auto* cols = Control<QLineEdit>(f.Page(kHtmlTab), html_ids::kColumnsEdit);
        SheetFixture::TypeInto(cols, QStringLiteral("0"));
        bool answered = false;
        QTimer::singleShot(0, [&answered] {
            if (QWidget* box = QApplication::activeModalWidget()) {
                QTest::keyClick(box, Qt::Key_Return);
                answered = true;
            }
        });
        QTest::keyClick(cols, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(answered);
        bool drained = false;
        QTimer::singleShot(0, f.sheet.get(), [&drained] { drained = true; });
        QTRY_VERIFY(drained);
        QCOMPARE(f.sheet->Tabs()->currentIndex(), kHtmlTab);
        QCOMPARE(f.sheet->focusWidget(), static_cast<QWidget*>(cols));
        QCOMPARE(cols->selectedText(), QStringLiteral("0"));
    }

    void TabMovesThroughTheControlsInLayoutOrder() {
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        QTest::mouseClick(Control<QCheckBox>(page, html_ids::kSplitPagesCheck),
                          Qt::LeftButton);  // rows take part
        auto* first = Control<QLineEdit>(page, html_ids::kTitleEdit);
        first->setFocus(Qt::TabFocusReason);
        QStringList order;
        for (int i = 0; i < 12; ++i) {
            order << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        // The radio pair is one stop, as a group; the arrows take no focus of their own.
        QStringList expected;
        for (ControlId id :
             {html_ids::kTitleEdit, html_ids::kDescriptionEdit, html_ids::kMarqueeCheck,
              html_ids::kFrameCheck, html_ids::kFileNameCheck, html_ids::kDateOrderCheck,
              html_ids::kColumnsEdit, html_ids::kSplitPagesCheck, html_ids::kRowsEdit,
              html_ids::kOwnSizeRadio, html_ids::kSlideShowCheck})
            expected << id.ObjectName();
        QCOMPARE(order.mid(0, expected.size()), expected);
    }

    // The page style: classic at first start; モダン is stored as 1 and greys the scrolling text
    // and the size of a clicked picture, which those pages do not use, keeping their values.
    void ChoosingModernPagesStoresItAndGreysWhatTheyDoNotUse() {
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        auto* classic = Control<QRadioButton>(page, html_ids::kClassicPagesRadio);
        auto* modern = Control<QRadioButton>(page, html_ids::kModernPagesRadio);
        auto* marquee = Control<QCheckBox>(page, html_ids::kMarqueeCheck);
        auto* fit = Control<QRadioButton>(page, html_ids::kFitBrowserRadio);
        QVERIFY(classic->isChecked() && classic->isVisible());
        QTest::mouseClick(marquee, Qt::LeftButton);
        QTest::mouseClick(fit, Qt::LeftButton);
        QTest::mouseClick(modern, Qt::LeftButton);
        QVERIFY(modern->isChecked() && !classic->isChecked());
        QVERIFY(!marquee->isEnabled() && !fit->isEnabled() &&
                !Control<QRadioButton>(page, html_ids::kOwnSizeRadio)->isEnabled());
        QCOMPARE(f.ChooseTab(kStyleTab), kStyleTab);
        QCOMPARE(f.Settings().page_style, 1);
        QCOMPARE(f.Settings().html_marquee, 1);
        QCOMPARE(f.Settings().brws_mode, 1);

        f.ChooseTab(kHtmlTab);
        QVERIFY(modern->isChecked() && !marquee->isEnabled());
        QTest::keyClick(modern, Qt::Key_Left);  // the arrows move within the pair
        QVERIFY(classic->isChecked() && marquee->isEnabled() && fit->isEnabled());
        QCOMPARE(f.ChooseTab(kStyleTab), kStyleTab);
        QCOMPARE(f.Settings().page_style, 0);
    }

    void ArrowsStayWithinOneToTen() {
        SheetFixture f;
        f.Show();
        f.ChooseTab(kHtmlTab);
        QWidget* page = f.Page(kHtmlTab);
        auto* cols = Control<QLineEdit>(page, html_ids::kColumnsEdit);
        auto* spin = Control<UpDownControl>(page, html_ids::kColumnsSpin);
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
