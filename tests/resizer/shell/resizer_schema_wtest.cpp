// Every number of the resizer's settings schema, given a value inside its range, at each edge, just
// outside and of the wrong form, gets one answer from the dialog and from scalvo-cli: accepted or
// refused, and the value kept. The dialog: typed into the box that shows the number, then a
// transfer (UpdateData, as leaving the box or Enter runs it). The command line: RunCli with the
// row's option, accepted when it gets as far as the missing source folder; the value it keeps is
// what its option reading keeps (ReadNumberInRange with the row's range).

#include <QLineEdit>
#include <QTest>
#include <sstream>
#include <string>
#include <vector>

#include "core/whole_number.h"
#include "resizer/cli/run_cli.h"
#include "resizer/job/resizer_settings.h"
#include "resizer/shell/c_resize_dialog.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

class ResizerSchemaTest : public QObject {
    Q_OBJECT
  private slots:
    void theDialogAndTheCommandLineAnswerAlike() {
        RecordingUserDialogs dialogs;
        CResizeDialog dialog(dialogs);
        dialog.show();
        int numbers = 0;
        for (const ResizerSettingRow& row : kResizerSettingSchema) {
            const ResizerNumber* member = std::get_if<ResizerNumber>(&row.member);
            if (member == nullptr) continue;
            ++numbers;
            // The box is the one that shows the member's default.
            QLineEdit* box = nullptr;
            for (QLineEdit* edit : dialog.findChildren<QLineEdit*>()) {
                if (edit->text() == QString::number(ResizerSettings{}.*(*member))) box = edit;
            }
            QVERIFY2(box != nullptr, row.option);
            const NumberRange r = row.range;
            const std::vector<std::string> texts = {std::to_string(r.low + (r.high - r.low) / 2),
                                                    std::to_string(r.low),
                                                    std::to_string(r.high),
                                                    std::to_string(r.low - 1),
                                                    std::to_string(r.high + 1),
                                                    "12px",
                                                    "",
                                                    "99999999999"};
            for (const std::string& text : texts) {
                const std::string what = std::string("--") + row.option + "=" + text;
                box->setText(QString::fromStdString(text));
                const bool dialog_accepts = dialog.UpdateData(true);
                const int dialog_kept = dialog.Settings().*(*member);

                TempDir dir;
                std::ostringstream out, err;
                const int code = RunCli({what, dir / "missing"}, out, err);
                const bool cli_accepts =
                    code == 2 && err.str().find("フォルダが見つかりません") != std::string::npos;
                int cli_kept = 0;
                ReadNumberInRange(text, r, cli_kept);
                QVERIFY2(dialog_accepts == cli_accepts, (what + "\n" + err.str()).c_str());
                if (cli_accepts) QCOMPARE(dialog_kept, cli_kept);
            }
            box->setText(QString::number(ResizerSettings{}.*(*member)));
        }
        QCOMPARE(numbers, 4);
    }
};

QTEST_MAIN(ResizerSchemaTest)
#include "resizer_schema_wtest.moc"
