#include <QAccessible>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>
#include <QtMath>
#include <QtTest>
#include <filesystem>

#include "imaging/image_library.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"
#include "widgets/c_picture_list.h"
#include "widgets/dialog_units.h"
#include "widgets/thumbnail_loader.h"
#include "widgets/window_placement.h"

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// Whether the list shows a line's text whole in its column, by the style's own measure.
bool ShownWhole(const CPictureList& list, int line) {
    QStyleOptionViewItem option;
    option.initFrom(list.viewport());
    option.rect = list.visualItemRect(list.item(line));
    option.text = list.item(line)->text();
    option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasCheckIndicator;
    const QRect room = list.style()->subElementRect(QStyle::SE_ItemViewItemText, &option, &list);
    return list.fontMetrics().horizontalAdvance(option.text) <= room.width();
}

}  // namespace

class PictureListTest : public QObject {
    Q_OBJECT

  private:
    TempDir dir_;
    std::unique_ptr<CPictureList> list_;

    QStringList Lines() const {
        QStringList texts;
        for (int i = 0; i < list_->count(); ++i) texts << list_->item(i)->text();
        return texts;
    }
    // A point on the line's name, well clear of its check box.
    QPoint NamePoint(int index) const {
        const QRect line = list_->visualItemRect(list_->item(index));
        const QRect box = list_->CheckBoxRect(index);
        return QPoint(box.right() + 12, line.center().y());
    }
    void Press(const QPoint& at, Qt::KeyboardModifiers keys = Qt::NoModifier) {
        QTest::mouseClick(list_->viewport(), Qt::LeftButton, keys, at);
    }
    // The part of the grid's cell of `line` that shows red.
    QRect RedIn(int line) const {
        const QImage shown = list_->viewport()->grab().toImage();
        const QRect cell = list_->visualItemRect(list_->item(line));
        QRect red;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) {
                const QRgb p = shown.pixel(x, y);
                if (qRed(p) > 170 && qGreen(p) < 90 && qBlue(p) < 90) red |= QRect(x, y, 1, 1);
            }
        return red;
    }

  private slots:
    void initTestCase() {
        RecordingUserDialogs dialogs;
        QVERIFY(ImageLibrary::Load(dialogs));
        for (const char* name : {"Photo.JPG", "b.gif", "e.bmp", "d.txt", "a.jpeg", ".hidden.jpg"})
            WriteTestFile(dir_ / name, "x");
        fs::create_directories(dir_ / "x.jpg");
    }
    void init() {
        list_ = std::make_unique<CPictureList>();
        list_->Init();
        list_->resize(300, 300);
        list_->show();
        QVERIFY(QTest::qWaitForWindowExposed(list_.get()));
    }
    void cleanup() { list_.reset(); }

    void fillListsPicturesUncheckedInCaseInsensitiveOrder_data() {
        QTest::addColumn<PictureFilter>("filter");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("the album maker takes JPEG, GIF and BMP")
            << PictureFilter::Album << QStringList({"a.jpeg", "b.gif", "e.bmp", "Photo.JPG"});
        QTest::newRow("the resizer takes JPEG and BMP only")
            << PictureFilter::Resizer << QStringList({"a.jpeg", "e.bmp", "Photo.JPG"});
    }
    void fillListsPicturesUncheckedInCaseInsensitiveOrder() {
        QFETCH(PictureFilter, filter);
        QFETCH(QStringList, lines);
        list_->Fill(dir_.Path() + "/", filter);
        QCOMPARE(Lines(), lines);
        QCOMPARE(list_->Count(), lines.size());
        for (int i = 0; i < list_->count(); ++i) {
            QCOMPARE(list_->item(i)->checkState(), Qt::Unchecked);
            QCOMPARE(list_->ItemText(i), lines[i].toStdString());
        }
        QCOMPARE(list_->CheckedCount(), 0);
        QCOMPARE(list_->FirstChecked(), -1);
    }

    void insertKeepsTheViewInStepWithTheModel() {
        list_->Fill(dir_.Path(), PictureFilter::Album);
        const int at = list_->InsertPicture("C.JPG", true);
        QCOMPARE(at, 2);
        QCOMPARE(Lines(), QStringList({"a.jpeg", "b.gif", "C.JPG", "e.bmp", "Photo.JPG"}));
        QCOMPARE(list_->item(2)->checkState(), Qt::Checked);
        QCOMPARE(list_->FirstChecked(), 2);
    }

    void aPressOnTheNameOnlyHighlights() {
        list_->Fill(dir_.Path(), PictureFilter::Album);
        QVERIFY(!list_->CheckBoxRect(1).isEmpty());
        QVERIFY(!list_->CheckBoxRect(1).contains(NamePoint(1)));
        QSignalSpy spy(list_.get(), &CPictureList::HighlightedLineChanged);
        Press(NamePoint(1));
        QCOMPARE(list_->FirstHighlighted(), 1);
        QVERIFY(!list_->IsChecked(1));
        QCOMPARE(list_->item(1)->checkState(), Qt::Unchecked);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 1);
    }

    void aPressOnTheBoxTogglesAndHighlights() {
        list_->Fill(dir_.Path(), PictureFilter::Album);
        QSignalSpy spy(list_.get(), &CPictureList::HighlightedLineChanged);
        Press(list_->CheckBoxRect(2).center());
        QVERIFY(list_->IsChecked(2));
        QCOMPARE(list_->item(2)->checkState(), Qt::Checked);
        QCOMPARE(list_->FirstHighlighted(), 2);
        QCOMPARE(spy.count(), 1);  // the highlight arrives once: the release does not toggle back

        // The box of the line already highlighted: the check changes and the owner hears of it.
        Press(list_->CheckBoxRect(2).center());
        QVERIFY(!list_->IsChecked(2));
        QCOMPARE(list_->FirstHighlighted(), 2);
        QCOMPARE(spy.count(), 2);

        // Another line's name moves the highlight and leaves every check as it is.
        Press(list_->CheckBoxRect(0).center());
        Press(NamePoint(3));
        QVERIFY(list_->IsChecked(0));
        QVERIFY(!list_->IsChecked(3));
        QCOMPARE(list_->FirstHighlighted(), 3);
        QCOMPARE(list_->CheckedCount(), 1);
    }

    void theSpaceBarTogglesTheHighlightedLine() {
        list_->Fill(dir_.Path(), PictureFilter::Album);
        list_->Highlight(3);
        list_->setFocus();
        QTest::keyClick(list_.get(), Qt::Key_Space);
        QVERIFY(list_->IsChecked(3));
        // A screen reader hears the tick with the line.
        QAccessibleInterface* line = QAccessible::queryAccessibleInterface(list_.get())->child(3);
        QVERIFY(line->state().checkable);
        QVERIFY(line->state().checked);
        QTest::keyClick(list_.get(), Qt::Key_Space);
        QVERIFY(!list_->IsChecked(3));
        QVERIFY(!line->state().checked);
    }

    void settingTheCheckOfAnotherLineIsNotAHighlightChange() {
        list_->Fill(dir_.Path(), PictureFilter::Album);
        list_->Highlight(0);
        QSignalSpy spy(list_.get(), &CPictureList::HighlightedLineChanged);
        list_->SetChecked(1, true);
        QCOMPARE(spy.count(), 0);
        list_->SetChecked(0, true);
        QCOMPARE(spy.count(), 1);
        list_->SetChecked(0, true);  // no change, no news
        QCOMPARE(spy.count(), 1);
    }

    void aTurnIsShownAfterTheNameButNeverInTheNameJobsRead_data() {
        QTest::addColumn<int>("turns");
        QTest::addColumn<QString>("shown");
        QTest::newRow("one turn") << 1 << QStringLiteral("b.gif ↻1");
        QTest::newRow("three turns") << 3 << QStringLiteral("b.gif ↻3");
        QTest::newRow("four turns are none") << 4 << QStringLiteral("b.gif");
        QTest::newRow("six turns are two") << 6 << QStringLiteral("b.gif ↻2");
    }
    void aTurnIsShownAfterTheNameButNeverInTheNameJobsRead() {
        QFETCH(int, turns);
        QFETCH(QString, shown);
        list_->Fill(dir_.Path(), PictureFilter::Album);
        for (int i = 0; i < turns; ++i) list_->AddQuarterTurn(1);
        QCOMPARE(list_->item(1)->text(), shown);
        QCOMPARE(list_->ItemText(1), std::string("b.gif"));
        QCOMPARE(list_->GetQuarterTurns(1), turns);
        list_->ClearQuarterTurns(1);
        QCOMPARE(list_->item(1)->text(), QStringLiteral("b.gif"));
    }

    void linesAreAsWideAsTheWidestUpToHalfTheListAndTheTooltipShowsAll() {
        TempDir folder;
        const QString long_name =
            QStringLiteral("とても長い名前の写真_2024年8月12日_海辺の夕焼け.jpg");
        for (const QString& name : {QStringLiteral("a.jpg"), QStringLiteral("bb.jpg"), long_name})
            QVERIFY(WriteTestFile(folder / name.toStdString(), "x"));
        list_->resize(300, 300);
        list_->Fill(folder.Path(), PictureFilter::Album);
        // Three lines fit in one column: the column may take the whole list.
        const int whole = list_->viewport()->width();
        for (int i = 0; i < 3; ++i) QCOMPARE(list_->visualItemRect(list_->item(i)).width(), whole);

        list_->resize(2000, 300);  // now the longest name fits
        QTRY_VERIFY(list_->visualItemRect(list_->item(2)).width() < list_->viewport()->width());
        const int wide = list_->visualItemRect(list_->item(2)).width();
        QVERIFY(wide > list_->fontMetrics().horizontalAdvance(long_name));
        QCOMPARE(list_->visualItemRect(list_->item(0)).width(), wide);

        // Lines that flow into several columns keep each column to half the list.
        for (int i = 0; i < 60; ++i)
            QVERIFY(WriteTestFile(folder / ("p" + std::to_string(10 + i) + ".jpg"), "x"));
        list_->resize(300, 300);
        list_->Fill(folder.Path(), PictureFilter::Album);
        const int half = list_->viewport()->width() / 2;
        const int at = list_->count() - 1;  // the long name sorts last
        QTRY_COMPARE(list_->visualItemRect(list_->item(at)).width(), half);
        list_->scrollToItem(list_->item(at));
        const QPoint on_long = list_->visualItemRect(list_->item(at)).center();
        QHelpEvent tip(QEvent::ToolTip, on_long, list_->viewport()->mapToGlobal(on_long));
        QApplication::sendEvent(list_->viewport(), &tip);
        QTRY_COMPARE(QToolTip::text(), long_name);
    }

    void aNewFolderStartsAtItsFirstLineAndAPressNeverScrolls() {
        TempDir many;
        for (int i = 0; i < 400; ++i)
            QVERIFY(WriteTestFile(many / ("IMG_" + std::to_string(1000 + i) + ".jpg"), "x"));
        list_->Fill(many.Path(), PictureFilter::Album);
        QTRY_VERIFY(list_->horizontalScrollBar()->maximum() > 0);

        // A line of the column cut by the right edge: a press on its visible part highlights it,
        // and a second press at the same place lands on the same line.
        int cut = -1;
        for (int i = 0; i < list_->count() && cut < 0; ++i) {
            const QRect line = list_->visualItemRect(list_->item(i));
            if (line.left() < list_->viewport()->width() &&
                line.right() >= list_->viewport()->width())
                cut = i;
        }
        QVERIFY(cut >= 0);
        const QPoint at(list_->viewport()->width() - 3,
                        list_->visualItemRect(list_->item(cut)).center().y());
        const int across = list_->horizontalScrollBar()->value();
        Press(at);
        QCOMPARE(list_->FirstHighlighted(), cut);
        QCOMPARE(list_->indexAt(at).row(), cut);
        // Nor once the time for a double click is over, when the view would bring the line pressed
        // into sight.
        QTest::qWait(QApplication::doubleClickInterval() + 250);
        QCOMPARE(list_->horizontalScrollBar()->value(), across);
        QCOMPARE(list_->indexAt(at).row(), cut);
        // The keys still bring the line they move to into sight.
        list_->setFocus();
        QTest::keyClick(list_.get(), Qt::Key_Right);
        QTRY_VERIFY(list_->viewport()->rect().contains(
            list_->visualItemRect(list_->item(list_->currentRow()))));

        // Another folder's listing starts at its first line, wherever the last one was left.
        TempDir more;
        for (int i = 0; i < 400; ++i)
            QVERIFY(WriteTestFile(more / ("DSC" + std::to_string(5000 + i) + ".jpg"), "x"));
        list_->Highlight(350);
        QTRY_VERIFY(list_->horizontalScrollBar()->value() > 0);
        list_->Fill(more.Path(), PictureFilter::Album);
        QTest::qWait(300);
        QCOMPARE(list_->horizontalScrollBar()->value(), 0);
        QVERIFY(list_->viewport()->rect().contains(list_->visualItemRect(list_->item(0))));
    }

    void cameraNamesShowWholeAndLongNamesKeepTheirEnds() {
        // A list as narrow as the resizer's at its opening size, its names as a camera gives them.
        TempDir folder;
        for (int i = 1; i <= 60; ++i)
            QVERIFY(
                WriteTestFile(folder / QString::asprintf("IMG_%04d.jpg", i).toStdString(), "x"));
        const std::string long_name = "夏休みの旅行_海辺で撮った写真_2024年8月12日_IMG_0001.jpg";
        QVERIFY(WriteTestFile(folder / long_name, "x"));
        list_->resize(190, 300);
        list_->Fill(folder.Path(), PictureFilter::Resizer);
        QCOMPARE(list_->item(0)->text(), QStringLiteral("IMG_0001.jpg"));
        QTRY_VERIFY(ShownWhole(*list_, 0));
        QVERIFY(ShownWhole(*list_, 59));
        QVERIFY(!ShownWhole(*list_, 60));
        QVERIFY(list_->visualItemRect(list_->item(0)).width() <= list_->viewport()->width());
        // The long one is cut in its middle: what tells "…_IMG_0001.jpg" from "…_IMG_0002.jpg"
        // stays.
        QCOMPARE(list_->textElideMode(), Qt::ElideMiddle);
    }

    void theGridShowsEachPictureTurnedWithItsBoxAndName() {
        TempDir folder;
        QImage wide(120, 60, QImage::Format_RGB32);
        wide.fill(QColor(230, 20, 20));
        QVERIFY(wide.save(Q(folder / "a.jpg"), "JPG", 95));
        QVERIFY(WriteTestFile(folder / "b.gif",
                              ReadTestFile(TestDataPath("gif/gen_photo_400x315_static.gif"))));
        QVERIFY(WriteTestFile(folder / "c.jpg", "not a picture"));
        list_->Fill(folder.Path() + "/", PictureFilter::Album);
        list_->SetView(PictureView::Grid, false);
        QCOMPARE(list_->flow(), QListView::LeftToRight);
        // As narrow as the resizer's list at its opening size, in its font, with its scroll bar:
        // two columns that share the whole width.
        list_->setFont(DialogFont());
        for (int i = 0; i < 12; ++i) list_->InsertPicture("z" + std::to_string(i) + ".jpg", false);
        list_->resize(190, 200);
        QTRY_COMPARE(list_->visualItemRect(list_->item(1)).top(),
                     list_->visualItemRect(list_->item(0)).top());
        QVERIFY(list_->visualItemRect(list_->item(2)).top() >
                list_->visualItemRect(list_->item(0)).top());
        QTRY_VERIFY(list_->viewport()->width() - list_->visualItemRect(list_->item(1)).right() <
                    list_->LineSize().width() / 8);
        list_->resize(300, 300);
        ThumbnailLoader& thumbnails = list_->Thumbnails();
        QTRY_VERIFY(thumbnails.Find("a.jpg") && thumbnails.Find("b.gif") &&
                    thumbnails.Find("c.jpg"));
        QVERIFY(!thumbnails.Find("a.jpg")->failed);
        const int box = list_->ThumbnailBox();
        QCOMPARE(thumbnails.Find("a.jpg")->image.width(), qCeil(box * list_->devicePixelRatioF()));
        // Whatever the imaging layer cannot read shows that it cannot be shown.
        QVERIFY(thumbnails.Find("c.jpg")->failed);

        // Wide as the picture, then tall once turned, then wide again after four turns.
        QTRY_VERIFY(RedIn(0).width() > RedIn(0).height() * 3 / 2);
        list_->AddQuarterTurn(0);
        QTRY_VERIFY(RedIn(0).height() > RedIn(0).width() * 3 / 2);
        for (int i = 0; i < 3; ++i) list_->AddQuarterTurn(0);
        QTRY_VERIFY(RedIn(0).width() > RedIn(0).height() * 3 / 2);
        QCOMPARE(list_->item(0)->text(), QStringLiteral("a.jpg"));

        // The box on the thumbnail ticks; the rest of the cell highlights.
        Press(list_->CheckBoxRect(1).center());
        QVERIFY(list_->IsChecked(1));
        QVERIFY(list_->visualItemRect(list_->item(1)).contains(list_->CheckBoxRect(1)));
        Press(list_->visualItemRect(list_->item(2)).center());
        QCOMPARE(list_->FirstHighlighted(), 2);
        QVERIFY(!list_->IsChecked(2));
    }

    void theViewChosenIsKeptForTheNextRun() {
        TempDir config;
        SetWindowPlacementFile(Q(config / "windows.conf"));
        list_->SetView(PictureView::Grid);
        CPictureList next;
        next.Init();
        QCOMPARE(next.View(), PictureView::Grid);
        next.SetView(PictureView::List);
        CPictureList third;
        third.Init();
        QCOMPARE(third.View(), PictureView::List);
        SetWindowPlacementFile(QString());
    }

    void spaceTicksEveryHighlightedLine() {
        list_->Fill(dir_.Path(), PictureFilter::Album);
        Press(NamePoint(0));
        Press(NamePoint(2), Qt::ControlModifier);
        Press(NamePoint(3), Qt::ControlModifier);
        QCOMPARE(list_->HighlightedLines(), (std::vector<int>{0, 2, 3}));
        QCOMPARE(list_->ShownLine(), 3);  // the one last pressed
        list_->SetChecked(2, true);
        list_->setFocus();
        QTest::keyClick(list_.get(), Qt::Key_Space);
        QCOMPARE(list_->CheckedCount(), 3);
        QTest::keyClick(list_.get(), Qt::Key_Space);
        QCOMPARE(list_->CheckedCount(), 0);
    }

    void fillDiscardsChecksCommentsAndTurns() {
        list_->Fill(dir_.Path(), PictureFilter::Album);
        list_->SetChecked(0, true);
        list_->SetComment(1, "note");
        list_->AddQuarterTurn(2);
        list_->Highlight(1);
        list_->Fill(dir_.Path(), PictureFilter::Album);
        QCOMPARE(list_->CheckedCount(), 0);
        QCOMPARE(list_->GetComment(1), std::string());
        QCOMPARE(list_->GetQuarterTurns(2), 0);
        QCOMPARE(list_->FirstHighlighted(), -1);
        QCOMPARE(list_->Model().RecordCount(), 0);
    }
};

QTEST_MAIN(PictureListTest)
#include "picture_list_wtest.moc"
