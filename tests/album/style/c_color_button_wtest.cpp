#include "album/style/c_color_button.h"

#include <QApplication>
#include <QColorDialog>
#include <QTimer>
#include <QtTest>

#include "album/style/style_page_ids.h"

namespace {

namespace ids = style_page_ids;

// Records the colour notifications posted to it.
class RecordingParent : public QWidget {
  public:
    struct Note {
        const CColorButton* button;
        int colour;
    };
    std::vector<Note> notes;

  protected:
    bool event(QEvent* event) override {
        if (event->type() == CColorButton::ChangedEvent::EventType()) {
            const auto* changed = static_cast<CColorButton::ChangedEvent*>(event);
            notes.push_back({changed->Button(), changed->Colour()});
            return true;
        }
        return QWidget::event(event);
    }
};

}  // namespace

class ColorButtonTest : public QObject {
    Q_OBJECT
  private slots:
    void paintsItsColourWithARaisedFrame();
    void paintsADarkFrameWhilePressed();
    void confirmingTheSameColourStillNotifiesAfterTheChooserCloses();
    void cancellingChangesNothingAndPostsNothing();
    void realChooserStartsAtTheColourWithWhiteCustomColours();
    void setColorNotifiesNobody();
};

void ColorButtonTest::paintsItsColourWithARaisedFrame() {
    RecordingParent parent;
    auto* button = new CColorButton(ids::kTitleColorButton, &parent);
    button->resize(30, 20);
    button->SetColor(0x0080FF);  // red 255, green 128, blue 0
    parent.show();
    button->setFocus();
    const QImage image = button->grab().toImage();
    QCOMPARE(image.pixel(15, 10), qRgb(255, 128, 0));
    const QPalette& pal = button->palette();
    QCOMPARE(image.pixel(0, 0), pal.color(QPalette::Light).rgb());
    QCOMPARE(image.pixel(29, 19), pal.color(QPalette::Dark).rgb());
    QCOMPARE(image.pixel(29, 10), pal.color(QPalette::Dark).rgb());
    QCOMPARE(image.pixel(10, 0), pal.color(QPalette::Light).rgb());
}

void ColorButtonTest::paintsADarkFrameWhilePressed() {
    CColorButton button(ids::kBackgroundColorButton);
    button.resize(30, 20);
    button.SetColor(0x00FF00);
    button.setDown(true);
    const QImage image = button.grab().toImage();
    const QColor dark = button.palette().color(QPalette::Shadow);
    QCOMPARE(image.pixel(15, 10), qRgb(0, 255, 0));
    for (QPoint p : {QPoint(0, 0), QPoint(29, 19), QPoint(15, 0), QPoint(0, 10), QPoint(29, 10),
                     QPoint(15, 19)}) {
        QCOMPARE(image.pixel(p), dark.rgb());
    }
}

void ColorButtonTest::confirmingTheSameColourStillNotifiesAfterTheChooserCloses() {
    RecordingParent parent;
    auto* button = new CColorButton(ids::kDescriptionColorButton, &parent);
    button->SetColor(0x123456);
    int offered = -1;
    std::size_t notes_while_choosing = 99;
    button->SetChooser([&](QWidget*, int initial) -> std::optional<int> {
        offered = initial;
        notes_while_choosing = parent.notes.size();
        return initial;
    });
    button->click();
    QCOMPARE(offered, 0x123456);
    QCOMPARE(notes_while_choosing, std::size_t{0});
    QCOMPARE(parent.notes.size(), std::size_t{0});  // queued, not sent
    QCoreApplication::sendPostedEvents(&parent);
    QCOMPARE(parent.notes.size(), std::size_t{1});
    QCOMPARE(parent.notes[0].button, button);
    QCOMPARE(parent.notes[0].colour, 0x123456);
}

void ColorButtonTest::cancellingChangesNothingAndPostsNothing() {
    RecordingParent parent;
    auto* button = new CColorButton(ids::kThumbCommentColorButton, &parent);
    button->SetColor(0x010203);
    button->SetChooser([](QWidget*, int) -> std::optional<int> { return std::nullopt; });
    button->click();
    QCoreApplication::sendPostedEvents(&parent);
    QVERIFY(parent.notes.empty());
    QCOMPARE(button->Color(), 0x010203);
}

void ColorButtonTest::realChooserStartsAtTheColourWithWhiteCustomColours() {
    QColorDialog::setCustomColor(3, QColor(1, 2, 3));  // as if restored from another program
    RecordingParent parent;
    auto* button = new CColorButton(ids::kTitleColorButton, &parent);
    button->SetColor(0x336699);
    parent.show();
    QColor seen;
    bool custom_white = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        seen = dialog->currentColor();
        custom_white = true;
        for (int i = 0; i < QColorDialog::customCount(); ++i) {
            custom_white = custom_white && QColorDialog::customColor(i) == QColor(Qt::white);
        }
        dialog->setCurrentColor(QColor(10, 20, 30));
        dialog->accept();
    });
    button->click();
    QCOMPARE(seen, QColor(0x99, 0x66, 0x33));
    QVERIFY(custom_white);
    QCOMPARE(button->Color(), 10 | (20 << 8) | (30 << 16));
    QCoreApplication::sendPostedEvents(&parent);
    QCOMPARE(parent.notes.size(), std::size_t{1});
    QCOMPARE(parent.notes[0].colour, 10 | (20 << 8) | (30 << 16));
}

void ColorButtonTest::setColorNotifiesNobody() {
    RecordingParent parent;
    auto* button = new CColorButton(ids::kTitleColorButton, &parent);
    button->SetColor(0xFFFFFF);
    QCoreApplication::sendPostedEvents(&parent);
    QVERIFY(parent.notes.empty());
    QCOMPARE(button->Color(), 0xFFFFFF);
}

QTEST_MAIN(ColorButtonTest)
#include "c_color_button_wtest.moc"
