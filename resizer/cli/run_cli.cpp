#include "resizer/cli/run_cli.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <optional>
#include <set>
#include <variant>
#include <vector>

#include "core/path_helpers.h"
#include "core/picture_list_model.h"
#include "core/whole_number.h"
#include "imaging/image_codec.h"
#include "imaging/image_library.h"
#include "imaging/library_versions.h"
#include "platform/console_progress_sink.h"
#include "platform/console_questions.h"
#include "platform/console_user_dialogs.h"
#include "platform/file_system.h"
#include "platform/stop_signals.h"
#include "platform/text_encoding.h"
#include "resizer/job/batch_outcome.h"
#include "resizer/job/resizer_settings.h"

namespace {

constexpr const char* kProgram = "scalvo-cli";

// "10-400": a range as the usage writes it.
std::string RangeText(ResizerNumber member) {
    const NumberRange range = RangeOf(member);
    return std::to_string(range.low) + "-" + std::to_string(range.high);
}

// "それぞれ 50-4000" when width and height share their range, else each named.
std::string BoxRangeText() {
    if (RangeOf(&ResizerSettings::targetWidth) == RangeOf(&ResizerSettings::targetHeight))
        return "それぞれ " + RangeText(&ResizerSettings::targetWidth);
    return "幅 " + RangeText(&ResizerSettings::targetWidth) + "、高さ " +
           RangeText(&ResizerSettings::targetHeight);
}

// "orig, jpeg, png, webp, avif": the words of a choice.
std::string WordsText(const ResizerSettingRow& row) {
    std::string text;
    for (const std::string_view word : row.words) {
        if (!text.empty()) text += ", ";
        text += word;
    }
    return text;
}

// The usage, its ranges and defaults taken from the settings schema and ResizerSettings.
const std::string& Usage() {
    static const std::string usage = [] {
        const ResizerSettings defaults;
        return "使い方: scalvo-cli [オプション] SOURCE_FOLDER\n"
               "SOURCE_FOLDER の画像 (JPEG, BMP, PNG, WebP, AVIF, HEIC, TIFF) を縮小・拡大して\n"
               "保存します。形式を変えたときは拡張子も変わります。\n"
               "\n"
               "大きさ (どれか一つ、既定は --percent " +
               std::to_string(defaults.scalePercent) +
               "):\n"
               "  --percent N     N % に拡大縮小 (" +
               RangeText(&ResizerSettings::scalePercent) +
               ")\n"
               "  --height N      高さを N ピクセルに合わせる (" +
               RangeText(&ResizerSettings::targetHeight) +
               ")\n"
               "  --width N       幅を N ピクセルに合わせる (" +
               RangeText(&ResizerSettings::targetWidth) +
               ")\n"
               "  --box WxH       W x H の枠に収める (" +
               BoxRangeText() +
               ")\n"
               "  --keep          大きさを変えない\n"
               "出力:\n"
               "  --format F      保存する形式: " +
               WordsText(SettingOf(&ResizerSettings::outputFormat)) + " (既定 " +
               std::string(ChoiceOf(defaults.outputFormat).word) +
               "、元の形式)\n"
               "  --quality N     JPEG, WebP, AVIF, HEIC の品質 (" +
               RangeText(&ResizerSettings::jpegQuality) + "、既定 " +
               std::to_string(defaults.jpegQuality) +
               "、PNG では使わない)\n"
               "  -o, --out DIR   出力フォルダ (既定 " +
               defaults.outputFolder +
               "、なければ作成)\n"
               "  --overwrite     元の画像に上書きする\n"
               "  --strip-location\n"
               "                  位置情報 (GPS、地名) を書き込まない。位置情報を消せない画像は\n"
               "                  書き込まずにエラーとして示す\n"
               "画像の指定:\n"
               "  --select NAME   NAME だけを変換する (繰り返し可、既定はフォルダのすべての画像)\n"
               "  --turn NAME=N   NAME を時計回りに N 回 90 度回転する\n"
               "その他:\n"
               "  -q, --quiet     エラーのほかは何も表示しない\n"
               "  -h, --help      この説明を表示する\n"
               "  --version       バージョンを表示する\n"
               "\n"
               "終了コード: 0 すべて変換した, 1 失敗があった, 2 使い方の誤り,\n"
               "           130 (SIGINT) または 143 (SIGTERM) で中止した\n";
    }();
    return usage;
}

struct UsageError {
    std::string text;
};

// An argument or option value with the bytes it was given: a file name that is not UTF-8 travels
// through the parser as lone surrogates (BytesToUtf16) and comes back unchanged.
std::string Bytes(const QString& s) {
    return Utf16ToBytes(s.toStdU16String());
}

// An option's number, read by the rule of the dialog's boxes (blanks around it are the shell's, not
// the number's) and checked against its row's range.
int ParseInt(const QString& text, const char* option, ResizerNumber member) {
    const NumberRange range = RangeOf(member);
    int value = 0;
    switch (ReadNumberInRange(text.trimmed().toStdString(), range, value)) {
        case NumberCheck::NotAWholeNumber:
            throw UsageError{std::string(option) + ": " + NotAWholeNumberMessage()};
        case NumberCheck::OutOfRange:
            throw UsageError{std::string(option) + ": " + OutOfRangeMessage(range.low, range.high)};
        case NumberCheck::Accepted:
            break;
    }
    return value;
}

struct Request {
    ResizerSettings settings;
    std::vector<std::string> selected;
    std::vector<std::pair<std::string, int>> turns;
    bool quiet = false;
};

// What the run is asked for besides resized pictures.
enum class Info { None, Help, Version };

Request Parse(const std::vector<std::string>& args, Info& info) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    // One option for each value of the settings schema, in its order, then the others.
    std::vector<QCommandLineOption> value_options;
    for (const ResizerSettingRow& row : kResizerSettingSchema) {
        QStringList names;
        if (row.short_option != 0) names << QString(QChar::fromLatin1(row.short_option));
        names << QString::fromLatin1(row.option);
        const QString value = std::holds_alternative<ResizerNumber>(row.member)   ? "N"
                              : std::holds_alternative<ResizerText>(row.member)   ? "DIR"
                              : std::holds_alternative<ResizerChoice>(row.member) ? "F"
                                                                                  : "";
        value_options.emplace_back(names, "", value);
    }
    auto option_of = [&](const ResizerSettingRow& row) -> const QCommandLineOption& {
        return value_options[static_cast<std::size_t>(&row - kResizerSettingSchema.data())];
    };
    const QCommandLineOption box("box", "", "WxH");
    const QCommandLineOption keep("keep");
    const QCommandLineOption select("select", "", "NAME");
    const QCommandLineOption turn("turn", "", "NAME=N");
    const QCommandLineOption quiet(QStringList{"q", "quiet"});
    const QCommandLineOption help_option(QStringList{"h", "help"});
    const QCommandLineOption version_option("version");
    parser.addOptions(QList<QCommandLineOption>(value_options.begin(), value_options.end()));
    parser.addOptions({box, keep, select, turn, quiet, help_option, version_option});

    QStringList list{QString::fromUtf8(kProgram)};
    for (const std::string& a : args) list << QString::fromStdU16String(BytesToUtf16(a));
    if (!parser.parse(list)) throw UsageError{Bytes(parser.errorText())};
    info = parser.isSet(help_option)      ? Info::Help
           : parser.isSet(version_option) ? Info::Version
                                          : Info::None;
    Request request;
    if (info != Info::None) return request;

    ResizerSettings& s = request.settings;
    // One size rule: a value option that chooses one, --box or --keep, once.
    int modes = static_cast<int>(parser.values(box).size()) + (parser.isSet(keep) ? 1 : 0);
    std::string rule_options;
    for (const ResizerSettingRow& row : kResizerSettingSchema) {
        if (row.size_mode < 0) continue;
        modes += static_cast<int>(parser.values(option_of(row)).size());
        rule_options += std::string("--") + row.option + ", ";
    }
    if (modes > 1) throw UsageError{"大きさは " + rule_options + "--box, --keep のどれか一つです"};
    // The numbers: first the one that chose the size rule, then --box, then the others.
    auto take_numbers = [&](bool rule) {
        for (const ResizerSettingRow& row : kResizerSettingSchema) {
            const ResizerNumber* member = std::get_if<ResizerNumber>(&row.member);
            if (member == nullptr || (row.size_mode >= 0) != rule || !parser.isSet(option_of(row)))
                continue;
            if (row.size_mode >= 0) s.sizeMode = row.size_mode;
            s.*(*member) = ParseInt(parser.value(option_of(row)),
                                    (std::string("--") + row.option).c_str(), *member);
        }
    };
    take_numbers(true);
    if (parser.isSet(box)) {
        const QString v = parser.value(box);
        const QStringList parts = v.split(QRegularExpression("[xX×]"));
        if (parts.size() != 2) throw UsageError{"--box: WxH の形で指定してください (例 640x480)"};
        s.sizeMode = FitBox;
        s.targetWidth = ParseInt(parts[0], "--box", &ResizerSettings::targetWidth);
        s.targetHeight = ParseInt(parts[1], "--box", &ResizerSettings::targetHeight);
    } else if (parser.isSet(keep)) {
        s.sizeMode = KeepSize;
    }
    take_numbers(false);
    // A choice is one of its row's words, in any letter case.
    for (const ResizerSettingRow& row : kResizerSettingSchema) {
        const ResizerChoice* member = std::get_if<ResizerChoice>(&row.member);
        if (member == nullptr || !parser.isSet(option_of(row))) continue;
        const std::string option = std::string("--") + row.option;
        if (parser.values(option_of(row)).size() > 1)
            throw UsageError{option + " は一つだけ指定してください"};
        const std::string word = parser.value(option_of(row)).trimmed().toLower().toStdString();
        const auto found = std::find(row.words.begin(), row.words.end(), word);
        if (found == row.words.end())
            throw UsageError{option + ": " + WordsText(row) + " のどれかを指定してください"};
        s.*(*member) = static_cast<OutputFormat>(found - row.words.begin());
    }
    const QCommandLineOption& out = option_of(SettingOf(&ResizerSettings::outputFolder));
    const QCommandLineOption& overwrite =
        option_of(SettingOf(&ResizerSettings::overwriteOriginals));
    if (parser.isSet(out) && parser.isSet(overwrite))
        throw UsageError{"--out と --overwrite は同時に指定できません"};
    if (parser.values(out).size() > 1) throw UsageError{"--out は一つだけ指定してください"};
    if (parser.isSet(out)) {
        s.outputFolder = AbsolutePath(Bytes(parser.value(out)));
        // The dialog refuses such a folder only when "作成" is pressed; on the command line it is
        // a wrong argument like any other.
        if (HasExtension(s.outputFolder))
            throw UsageError{s.outputFolder + ": " + kExtensionMessage};
    }
    s.overwriteOriginals = parser.isSet(overwrite);
    s.stripLocation = parser.isSet(option_of(SettingOf(&ResizerSettings::stripLocation)));

    for (const QString& name : parser.values(select)) request.selected.push_back(Bytes(name));
    for (const QString& t : parser.values(turn)) {
        const qsizetype eq = t.lastIndexOf('=');
        if (eq <= 0) throw UsageError{"--turn: NAME=N の形で指定してください"};
        bool ok = false;
        const int n = t.mid(eq + 1).trimmed().toInt(&ok);
        if (!ok) throw UsageError{"--turn: 回転の回数は整数で指定してください"};
        request.turns.emplace_back(Bytes(t.left(eq)), ((n % 4) + 4) % 4);
    }
    request.quiet = parser.isSet(quiet);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        throw UsageError{positional.empty() ? "SOURCE_FOLDER を指定してください"
                                            : "SOURCE_FOLDER は一つだけ指定してください"};
    s.sourceFolder = AbsolutePath(Bytes(positional[0]));
    return request;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Info info = Info::None;
    Request request;
    try {
        request = Parse(args, info);
    } catch (const UsageError& e) {
        err << kProgram << ": " << e.text << "\n" << Usage();
        return 2;
    }
    if (info == Info::Help) {
        out << Usage();
        return 0;
    }
    if (info == Info::Version) {
        out << kProgram << " " << PICTAVO_VERSION << "\n" << ImagingLibraryVersions() << "\n";
        return 0;
    }

    ResizerSettings& settings = request.settings;
    settings.sourceFolder = ExpandHome(settings.sourceFolder);
    if (!IsDirectory(settings.sourceFolder)) {
        err << kProgram << ": " << settings.sourceFolder << ": フォルダが見つかりません\n";
        return 2;
    }
    EnsureTrailingSeparator(settings.sourceFolder);

    PictureListModel model;
    model.Fill(settings.sourceFolder, PictureFilter::Resizer);
    if (request.selected.empty()) {
        for (int i = 0; i < model.Count(); ++i) model.SetChecked(i, true);
    }
    for (const std::string& name : request.selected) {
        const int line = model.IndexOf(name);
        if (line < 0) {
            err << kProgram << ": --select: " << name << ": 変換できる画像がありません\n";
            return 2;
        }
        model.SetChecked(line, true);
    }
    for (const auto& [name, turns] : request.turns) {
        const int line = model.IndexOf(name);
        if (line < 0) {
            err << kProgram << ": --turn: " << name << ": 変換できる画像がありません\n";
            return 2;
        }
        for (int i = 0; i < turns; ++i) model.AddQuarterTurn(line);
    }

    // Folders are created without asking: the command line already said where to write. The
    // question is still logged, except on a quiet run.
    ConsoleUserDialogs messages(err, kProgram, /*answer_yes=*/true);
    ConsoleQuestions dialogs(messages,
                             request.quiet ? QuestionMode::kSilent : QuestionMode::kLogged,
                             /*fixed_answer=*/true, err, ConsoleInput{});
    // From here on SIGINT and SIGTERM stop the batch cleanly: no new picture is started, the ones
    // in flight are finished, and the exit status tells which signal it was.
    const StopSignals stop_signals;
    const bool was_loaded = ImageLibrary::IsLoaded();
    if (!was_loaded && !ImageLibrary::Load(dialogs)) return 1;
    ConsoleProgressSink progress(err, request.quiet);
    const BatchContext context{model, dialogs, progress, DefaultImageCodec()};
    // The folder is checked as the dialog checks it, before the job; a refusal has said why, and
    // is a wrong argument like any other.
    const OutputFolderCheck folder = PrepareOutputFolder(settings, dialogs);
    const bool folder_ready = folder == OutputFolderCheck::Ready;
    const BatchOutcome outcome = folder_ready ? RunBatch(settings, context) : BatchOutcome{};
    if (!was_loaded) ImageLibrary::Unload();
    if (folder == OutputFolderCheck::Refused) {
        err << Usage();
        return 2;
    }
    // A signal that came after the last picture still ends the program as stopped by it.
    if (const int signal = StopSignals::Received(); signal != 0)
        return StopSignals::ExitCode(signal);

    return folder_ready && outcome.end == BatchOutcome::End::Finished && outcome.failed == 0 ? 0
                                                                                             : 1;
}
