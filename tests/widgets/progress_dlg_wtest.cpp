#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "widgets/c_progress_dlg.h"
#include "widgets/message_box_dialogs.h"
#include "widgets/progress_bar_frame.h"
#include "widgets/progress_dlg_ids.h"

namespace {

namespace ids = progress_dlg_ids;

bool IsBlue(QRgb p) {
    return p == qRgb(0, 0, 255);
}
bool IsWhite(QRgb p) {
    return p == qRgb(255, 255, 255);
}

// The number of blue columns of the bar's inside, checked to be solid from the left.
int BlueColumns(const QImage& inside) {
    int columns = 0;
    while (columns < inside.width() && IsBlue(inside.pixel(columns, 0))) ++columns;
    for (int y = 0; y < inside.height(); ++y)
        for (int x = 0; x < inside.width(); ++x)
            if (IsBlue(inside.pixel(x, y)) != (x < columns)) return -1;
    return columns;
}

bool AllWhite(const QImage& inside) {
    for (int y = 0; y < inside.height(); ++y)
        for (int x = 0; x < inside.width(); ++x)
            if (!IsWhite(inside.pixel(x, y))) return false;
    return true;
}

}  // namespace

class ProgressDlgTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<QWidget> owner_;
    std::unique_ptr<CProgressDlg> dlg_;
    ProgressBarFrame* bar_ = nullptr;

    // The bar's inside as it is shown on screen (not the kept picture).
    QImage Shown() const { return bar_->grab(bar_->InnerRect()).toImage(); }

  private slots:
    void init() {
        owner_ = std::make_unique<QWidget>();
        owner_->resize(400, 300);
        owner_->show();
        dlg_ = std::make_unique<CProgressDlg>(owner_.get());
        bar_ = dlg_->findChild<ProgressBarFrame*>(ids::kBar.ObjectName());
        QVERIFY(bar_ != nullptr);
        // A bar whose inside is exactly 300 pixels wide.
        dlg_->setMinimumSize(0, 0);
        dlg_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        dlg_->resize(400, dlg_->height());
        bar_->resize(bar_->width() - bar_->InnerRect().width() + 300, bar_->height());
        QCOMPARE(bar_->InnerRect().width(), 300);
    }
    void cleanup() {
        dlg_.reset();
        owner_.reset();
    }

    void theWindowBeforeTheFirstMessage() {
        QCOMPARE(dlg_->windowTitle(), QStringLiteral("ちょっとまっててね。"));
        QCOMPARE(dlg_->findChild<QLabel*>(ids::kMessageLabel.ObjectName())->text(),
                 QStringLiteral("Static"));
        QCOMPARE(dlg_->Range(), 100);
    }

    void barColumns_data() {
        QTest::addColumn<int>("range");
        QTest::addColumn<QList<int>>("positions");  // SetPos calls in order
        QTest::addColumn<int>("blue");
        QTest::newRow("range 7, step 3: 300 * 3 / 7 = 128") << 7 << QList<int>{3} << 128;
        QTest::newRow("step 0 paints nothing") << 7 << QList<int>{0} << 0;
        QTest::newRow("the whole range fills the bar") << 7 << QList<int>{7} << 300;
        QTest::newRow("a smaller step leaves the longer part standing")
            << 7 << QList<int>{5, 2} << 214;
        QTest::newRow("steps one by one") << 3 << QList<int>{0, 1, 2} << 200;
        QTest::newRow("a step beyond the range stays inside the bar") << 4 << QList<int>{9} << 300;
        QTest::newRow("a negative step paints nothing") << 4 << QList<int>{-1} << 0;
    }
    void barColumns() {
        QFETCH(int, range);
        QFETCH(QList<int>, positions);
        QFETCH(int, blue);
        dlg_->Open();
        dlg_->SetRange(range);
        QVERIFY(AllWhite(dlg_->BarPicture()));
        for (int step : positions) dlg_->SetPos(step);
        QCOMPARE(BlueColumns(dlg_->BarPicture()), blue);
        QCOMPARE(BlueColumns(Shown()), blue);
        dlg_->Close();
    }

    void setRangeStartsTheBarWhiteAgain() {
        dlg_->Open();
        dlg_->SetRange(7);
        dlg_->SetPos(7);
        QCOMPARE(BlueColumns(Shown()), 300);
        dlg_->SetMessage("サムネイルを作成しています...");
        dlg_->SetRange(2);
        QVERIFY(AllWhite(dlg_->BarPicture()));
        QVERIFY(AllWhite(Shown()));
        QCOMPARE(dlg_->Range(), 2);
        QCOMPARE(dlg_->findChild<QLabel*>(ids::kMessageLabel.ObjectName())->text(),
                 QStringLiteral("サムネイルを作成しています..."));
        // Under the bar, how far the new phase got.
        auto* count = dlg_->findChild<QLabel*>(ids::kCountLabel.ObjectName());
        QCOMPARE(count->text(), QString());
        dlg_->SetPos(1);
        QCOMPARE(count->text(), QStringLiteral("1 / 2"));
        dlg_->Close();
    }

    void theCountSaysHowFarAndThenHowLong_data() {
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("range");
        QTest::addColumn<qint64>("elapsed");  // milliseconds since the phase began
        QTest::addColumn<QString>("shown");
        QTest::newRow("a phase of one step says nothing") << 0 << 1 << qint64(0) << "";
        QTest::newRow("the first steps say how far") << 2 << 240 << qint64(60000) << "2 / 240";
        QTest::newRow("too soon for a guess") << 12 << 240 << qint64(1000) << "12 / 240";
        QTest::newRow("228 s to ten seconds")
            << 12 << 240 << qint64(12000) << "12 / 240　残り約 3 分 50 秒";
        QTest::newRow("28 s to five seconds")
            << 100 << 240 << qint64(20000) << "100 / 240　残り約 30 秒";
        QTest::newRow("never under five seconds")
            << 5 << 10 << qint64(2000) << "5 / 10　残り約 5 秒";
        QTest::newRow("ten minutes and more to the minute")
            << 60 << 120 << qint64(601000) << "60 / 120　残り約 11 分";
        QTest::newRow("hours") << 10 << 1000 << qint64(60000) << "10 / 1000　残り約 1 時間 39 分";
        QTest::newRow("done") << 240 << 240 << qint64(99999) << "240 / 240";
    }
    void theCountSaysHowFarAndThenHowLong() {
        QFETCH(int, step);
        QFETCH(int, range);
        QFETCH(qint64, elapsed);
        QFETCH(QString, shown);
        QCOMPARE(CProgressDlg::CountText(step, range, elapsed), shown);
    }

    void openBlocksTheOwnerAndSetsTheWaitCursor() {
        dlg_->Open();
        QVERIFY(dlg_->isVisible());
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QCOMPARE(QApplication::activeModalWidget(), dlg_.get());

        dlg_->Close();
        QVERIFY(!dlg_->isVisible());
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void stopButtonEscAndCloseBoxAskTheJobToStop_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("中止") << "button";
        QTest::newRow("Esc") << "escape";
        QTest::newRow("close box or Alt+F4") << "close";
    }
    void stopButtonEscAndCloseBoxAskTheJobToStop() {
        QFETCH(QString, how);
        auto* stop = dlg_->findChild<QPushButton*>(ids::kStopButton.ObjectName());
        QVERIFY(stop != nullptr);
        QCOMPARE(stop->text(), QStringLiteral("中止"));
        dlg_->Open();
        QVERIFY(!dlg_->StopRequested());
        // Enter is not a stop: the button is no default button.
        QTest::keyClick(dlg_.get(), Qt::Key_Return);
        QVERIFY(!dlg_->StopRequested());
        QVERIFY(dlg_->windowFlags() & Qt::WindowCloseButtonHint);
        if (how == "escape") {
            QTest::keyClick(dlg_.get(), Qt::Key_Escape);
        } else if (how == "close") {
            QVERIFY(!dlg_->close());  // what the window manager sends for both
        } else {
            QTest::mouseClick(stop, Qt::LeftButton);
        }
        QVERIFY(dlg_->StopRequested());
        // The window stays until the job has ended; the button shows the stop was heard.
        QVERIFY(dlg_->isVisible());
        QVERIFY(!stop->isEnabled());
        dlg_->Close();
        // The next job starts without a stop.
        dlg_->Open();
        QVERIFY(!dlg_->StopRequested());
        QVERIFY(stop->isEnabled());
        dlg_->Close();
    }

    void theWindowKeepsDrawingWhileTheJobRuns() {
        // A job never returns to the event loop between its calls; the window still gets its
        // pending non-input work done after each call, so it never looks frozen.
        dlg_->Open();
        bool ran = false;
        QTimer::singleShot(0, this, [&ran] { ran = true; });
        dlg_->SetPos(1);
        QVERIFY(ran);
        dlg_->Close();
    }

    void aMessageDuringTheJobCanBeAnswered() {
        // A job that reports a failure while the window is up: the box must take the user's
        // answer even though the window blocks everything else, and show the normal arrow.
        dlg_->Open();
        MessageBoxDialogs dialogs(owner_.get());
        bool answered = false;
        Qt::CursorShape shape = Qt::WaitCursor;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            shape = QApplication::overrideCursor()->shape();
            box->button(QMessageBox::No)->click();
            answered = true;
        });
        const MessageAnswer answer =
            dialogs.ShowMessage("question", std::nullopt, MessageIcon::None, MessageButtons::YesNo);
        QVERIFY(answered);
        QCOMPARE(answer, MessageAnswer::No);
        QCOMPARE(shape, Qt::ArrowCursor);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QCOMPARE(QApplication::activeModalWidget(), dlg_.get());
        dlg_->Close();
    }

    void destroyingAnOpenWindowRestoresTheCursor() {
        dlg_->Open();
        dlg_.reset();
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }
};

QTEST_MAIN(ProgressDlgTest)
#include "progress_dlg_wtest.moc"
