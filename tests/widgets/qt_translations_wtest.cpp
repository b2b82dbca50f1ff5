// Qt's own texts (standard buttons, the colour chooser) in the language of the rest of the window.

#include <QAbstractButton>
#include <QColorDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "widgets/message_box_dialogs.h"
#include "widgets/qt_translations.h"

namespace {

// The visible texts of the buttons and labels of `window`, mnemonics included.
QStringList Texts(QWidget* window) {
    QStringList texts;
    for (auto* button : window->findChildren<QAbstractButton*>()) texts << button->text();
    for (auto* label : window->findChildren<QLabel*>()) texts << label->text();
    return texts;
}

}  // namespace

class QtTranslationsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY(InstallQtTranslations(*QCoreApplication::instance())); }

    void aYesNoBoxSaysHaiAndIie() {
        QStringList shown;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            shown << box->button(QMessageBox::Yes)->text() << box->button(QMessageBox::No)->text();
            box->button(QMessageBox::No)->click();
        });
        MessageBoxDialogs dialogs;
        QCOMPARE(dialogs.ShowMessage("作成しますか？", std::nullopt, MessageIcon::None,
                                     MessageButtons::YesNo),
                 MessageAnswer::No);
        QCOMPARE(shown, (QStringList{"はい(&Y)", "いいえ(&N)"}));
    }

    void theColourChooserSpeaksJapanese() {
        QColorDialog dialog;
        dialog.setOption(QColorDialog::DontUseNativeDialog);
        dialog.show();
        const QStringList texts = Texts(&dialog);
        for (const char* expected : {"キャンセル", "色相(&E):", "基本カラー(&B)"}) {
            QVERIFY2(texts.contains(QString::fromUtf8(expected)),
                     qPrintable(expected + QStringLiteral(" not among ") + texts.join(" | ")));
        }
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "qt_translations_wtest.moc"
