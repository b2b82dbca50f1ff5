// Every key of the album's settings schema, given a value inside its range, at each edge, just
// outside and of the wrong form, gets one answer from the window and from pictavo-cli: accepted or
// refused, and the value kept.
//
// The window: the four pages over one settings record, the key's control found by the value it
// shows. A number or text box is typed into and the page left (OnKillActive); a name box is typed
// into and checked as its loss of focus does (ValidateNameField); a list of numbers takes a value
// when it has a row of that text; a check box or a radio group is given the number as a profile
// would give it and must give it back when the page is left; a colour button takes what the colour
// chooser can return for the colour. The command line: RunCli with --set KEY=VALUE (accepted when
// it gets as far as the missing picture folder), and the value kept from the two functions it runs
// on the value (ApplySetting, CheckSettings).

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "album/cli/run_cli.h"
#include "album/cli/setting_overrides.h"
#include "album/settings/album_setting_schema.h"
#include "album/settings/html_color.h"
#include "album/settings/material_folders.h"
#include "album/shell/c_html_page.h"
#include "album/shell/c_out_page.h"
#include "album/shell/c_picture_page.h"
#include "album/style/c_color_button.h"
#include "album/style/c_style_page.h"
#include "sheet_fixture.h"

namespace {

struct Answer {
    bool accepted = false;
    std::string kept;  // as the profile would hold it; compared only when accepted
};

// The values tried for a row: inside, both edges, just outside both, and of the wrong form.
std::vector<std::string> Cases(const AlbumSettingRow& row) {
    switch (row.kind) {
        case SettingKind::Name:
            return {"my_p", "my_p/", "my_p\\", "C:pics", "a/b", "my.html", ".hid", "", "x//"};
        case SettingKind::Text:
        case SettingKind::FolderPath:
        case SettingKind::Material:
            return {"夏休み", "", "a/b.c"};
        default:
            break;
    }
    std::vector<std::string> cases;
    const NumberRange r = row.range;
    if (r == kAnyNumber) {
        cases = {"0", "-1", "2147483647"};
    } else {
        cases = {std::to_string(r.low + (r.high - r.low) / 2), std::to_string(r.low),
                 std::to_string(r.high), std::to_string(r.low - 1LL), std::to_string(r.high + 1LL)};
    }
    cases.insert(cases.end(), {"12px", "", "99999999999"});
    if (row.kind == SettingKind::Colour) cases.insert(cases.end(), {"#FF8000", "#12345g", "#fff"});
    return cases;
}

// The four pages over one record, each shown once.
struct Window {
    TempDir start;
    MaterialFolders folders = MaterialFolders::FromStartDirectory(start.Path());
    RecordingUserDialogs dialogs;
    RecordingShellOpener shell;
    AlbumSettings settings;
    std::vector<std::unique_ptr<PropertyPage>> pages;
    COutPage* out = nullptr;

    explicit Window(const AlbumSettings& loaded) : settings(loaded) {
        pages.push_back(
            std::make_unique<CPicturePage>(settings, folders, shell, dialogs, start.Path()));
        pages.push_back(std::make_unique<CHtmlPage>(settings, dialogs));
        pages.push_back(std::make_unique<CStylePage>(settings, folders, shell, dialogs));
        auto out_page = std::make_unique<COutPage>(settings, dialogs, nullptr, nullptr);
        out = out_page.get();
        pages.push_back(std::move(out_page));
        for (auto& page : pages) page->OnSetActive();
    }

    // The page and control of type T whose shown text is `text`, if there is one.
    template <typename T>
    std::pair<PropertyPage*, T*> Showing(const QString& text) {
        for (auto& page : pages) {
            for (T* control : page->findChildren<T*>()) {
                if (ShownText(control) == text) return {page.get(), control};
            }
        }
        return {nullptr, nullptr};
    }
    static QString ShownText(QLineEdit* edit) { return edit->text(); }
    static QString ShownText(QComboBox* list) { return list->currentText(); }

    // Leaves every page; false when one of them refused.
    bool LeaveAll() {
        bool ok = true;
        for (auto& page : pages) ok = page->OnKillActive() && ok;
        return ok;
    }
};

// A value no control shows unless it holds the key: for a number out of every range, for a list
// the first number of the range that the other members of the row's kind do not hold.
AlbumSettings WithMarker(const AlbumSettingRow& row, bool for_list, std::string& marker) {
    AlbumSettings s;
    if (const TextSetting* t = std::get_if<TextSetting>(&row.member)) {
        marker = std::string("marker-") + row.key;
        s.*(*t) = marker;
        return s;
    }
    int value = 7919;
    if (row.kind == SettingKind::Colour) value = 0x123456;
    if (for_list) {
        std::set<int> taken;
        for (const AlbumSettingRow& other : kAlbumSettingSchema) {
            if (const IntSetting* m = std::get_if<IntSetting>(&other.member); m && &other != &row)
                taken.insert(s.*(*m));
        }
        value = row.range.low;
        while (taken.count(value) != 0) ++value;
    }
    s.*std::get<IntSetting>(row.member) = value;
    marker = std::to_string(value);
    return s;
}

// How the window answers each of `texts` for `row`; nothing when no control of the window takes
// the key.
std::optional<std::vector<Answer>> WindowAnswers(const AlbumSettingRow& row,
                                                 const std::vector<std::string>& texts) {
    std::vector<Answer> answers;
    std::string marker;
    if (row.kind == SettingKind::Flag || row.kind == SettingKind::Choice) {
        // A box shows what it was given and gives it back when the page is left, or does not.
        Window w(AlbumSettings{});
        for (const std::string& text : texts) {
            const std::optional<int> value = ParseWholeNumber(text);
            if (!value) {
                answers.push_back({false, ""});
                continue;
            }
            w.settings.*std::get<IntSetting>(row.member) = *value;
            for (auto& page : w.pages) page->OnSetActive();
            w.LeaveAll();
            const std::string kept = SettingText(row, w.settings);
            answers.push_back({kept == std::to_string(*value), kept});
        }
        return answers;
    }
    if (row.kind == SettingKind::Colour) {
        Window w(WithMarker(row, false, marker));
        CColorButton* button = nullptr;
        for (auto& page : w.pages) {
            for (CColorButton* b : page->findChildren<CColorButton*>())
                if (b->Color() == std::stoi(marker)) button = b;
        }
        if (button == nullptr) return std::nullopt;
        for (const std::string& text : texts) {
            // The chooser gives a colour, never a text: what it can return for the colour typed.
            const std::optional<int> colour = ParseColourSetting(text);
            if (!colour) {
                answers.push_back({false, ""});
                continue;
            }
            button->SetChooser(
                [&](QWidget*, int) { return QColorToColorRef(ColorRefToQColor(*colour)); });
            button->click();
            QCoreApplication::sendPostedEvents();
            const std::string kept = SettingText(row, w.settings);
            answers.push_back({kept == std::to_string(*colour), kept});
        }
        return answers;
    }
    {
        Window w(WithMarker(row, false, marker));
        if (auto [page, edit] = w.Showing<QLineEdit>(Q(marker)); edit != nullptr) {
            for (const std::string& text : texts) {
                edit->setText(Q(text));
                w.dialogs.calls.clear();
                bool accepted = false;
                if (row.kind == SettingKind::Name) {
                    w.out->ValidateNameField(edit, w.settings.*std::get<TextSetting>(row.member));
                    accepted = w.dialogs.calls.empty();
                } else {
                    accepted = page->OnKillActive();
                }
                answers.push_back({accepted, SettingText(row, w.settings)});
            }
            return answers;
        }
    }
    if (row.kind == SettingKind::Integer) {
        Window w(WithMarker(row, true, marker));
        if (auto [page, list] = w.Showing<QComboBox>(Q(marker)); list != nullptr) {
            for (const std::string& text : texts) {
                const int line = list->findText(Q(text), Qt::MatchExactly);
                if (line >= 0) list->setCurrentIndex(line);
                answers.push_back({line >= 0, SettingText(row, w.settings)});
            }
            return answers;
        }
    }
    return std::nullopt;
}

Answer CommandLineAnswer(const AlbumSettingRow& row, const std::string& text) {
    TempDir dir;
    std::ostringstream out, err;
    const int code = RunCli({"--profile", dir / "none.ini", "-q", "--set",
                             std::string(row.key) + "=" + text, dir / "no-pictures"},
                            out, err);
    Answer answer;
    answer.accepted = code == 2 && err.str().find("フォルダが見つかりません") != std::string::npos;
    AlbumSettings s;
    if (!ApplySetting(s, row.key, text) && !CheckSettings(s)) answer.kept = SettingText(row, s);
    return answer;
}

}  // namespace

class SettingSchemaTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { PrepareTestProgram(); }

    void theWindowAndTheCommandLineAnswerAlike() {
        std::set<std::string> untyped;
        for (const AlbumSettingRow& row : kAlbumSettingSchema) {
            const std::vector<std::string> texts = Cases(row);
            const std::optional<std::vector<Answer>> window = WindowAnswers(row, texts);
            if (!window) {
                untyped.insert(row.key);
                continue;
            }
            for (std::size_t i = 0; i < texts.size(); ++i) {
                const std::string what = std::string(row.key) + "=" + texts[i];
                const Answer cli = CommandLineAnswer(row, texts[i]);
                QVERIFY2((*window)[i].accepted == cli.accepted,
                         (what + (cli.accepted ? ": only the command line takes it"
                                               : ": only the window takes it"))
                             .c_str());
                if (cli.accepted) QCOMPARE(Q((*window)[i].kept), Q(cli.kept));
            }
        }
        // Taken through no box: the tree chooses the picture folder, the material lists offer the
        // files of their folders, and the theme index is the Style page's own.
        const std::set<std::string> expected = {"picture_path", "name_bg", "name_bgm", "name_hr",
                                                "currect_theme"};
        QCOMPARE(untyped, expected);
    }

    // The one rule of names: "C:" is part of a name in both, where the command line refused it.
    void aNameWithAColonIsANameInBoth() {
        const AlbumSettingRow& row = SettingOf(&AlbumSettings::pic_folder);
        QVERIFY(WindowAnswers(row, {"C:pics"})->front().accepted);
        const Answer cli = CommandLineAnswer(row, "C:pics");
        QVERIFY(cli.accepted);
        QCOMPARE(Q(cli.kept), QStringLiteral("C:pics"));
    }
};

QTEST_MAIN(SettingSchemaTest)
#include "setting_schema_wtest.moc"
