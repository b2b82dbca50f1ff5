#include "resizer/cli/run_cli.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <optional>
#include <set>

#include "core/path_helpers.h"
#include "core/picture_list_model.h"
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

constexpr const char* kUsage =
    "使い方: scalvo-cli [オプション] SOURCE_FOLDER\n"
    "SOURCE_FOLDER の JPEG と BMP の画像を、同じファイル名で縮小・拡大して保存します。\n"
    "\n"
    "大きさ (どれか一つ、既定は --percent 100):\n"
    "  --percent N     N % に拡大縮小 (10-400)\n"
    "  --height N      高さを N ピクセルに合わせる (50-4000)\n"
    "  --width N       幅を N ピクセルに合わせる (50-4000)\n"
    "  --box WxH       W x H の枠に収める (それぞれ 50-4000)\n"
    "  --keep          大きさを変えない\n"
    "出力:\n"
    "  --quality N     JPEG の品質 (10-100、既定 50)\n"
    "  -o, --out DIR   出力フォルダ (既定 ~/MyAlbum、なければ作成)\n"
    "  --overwrite     元の画像に上書きする\n"
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

struct UsageError {
    std::string text;
};

// An argument or option value with the bytes it was given: a file name that is not UTF-8 travels
// through the parser as lone surrogates (BytesToUtf16) and comes back unchanged.
std::string Bytes(const QString& s) {
    return Utf16ToBytes(s.toStdU16String());
}

int ParseInt(const QString& text, const char* option, int low, int high) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok) throw UsageError{std::string(option) + ": 整数を入力してください。"};
    if (value < low || value > high)
        throw UsageError{std::string(option) + ": " + std::to_string(low) + " から " +
                         std::to_string(high) + " までの整数を入力してください。"};
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
    const QCommandLineOption percent("percent", "", "N");
    const QCommandLineOption height("height", "", "N");
    const QCommandLineOption width("width", "", "N");
    const QCommandLineOption box("box", "", "WxH");
    const QCommandLineOption keep("keep");
    const QCommandLineOption quality("quality", "", "N");
    const QCommandLineOption out(QStringList{"o", "out"}, "", "DIR");
    const QCommandLineOption overwrite("overwrite");
    const QCommandLineOption select("select", "", "NAME");
    const QCommandLineOption turn("turn", "", "NAME=N");
    const QCommandLineOption quiet(QStringList{"q", "quiet"});
    const QCommandLineOption help_option(QStringList{"h", "help"});
    const QCommandLineOption version_option("version");
    parser.addOptions({percent, height, width, box, keep, quality, out, overwrite, select, turn,
                       quiet, help_option, version_option});

    QStringList list{QString::fromUtf8(kProgram)};
    for (const std::string& a : args) list << QString::fromStdU16String(BytesToUtf16(a));
    if (!parser.parse(list)) throw UsageError{Bytes(parser.errorText())};
    info = parser.isSet(help_option)      ? Info::Help
           : parser.isSet(version_option) ? Info::Version
                                          : Info::None;
    Request request;
    if (info != Info::None) return request;

    ResizerSettings& s = request.settings;
    int modes = 0;
    for (const QCommandLineOption* o : {&percent, &height, &width, &box, &keep}) {
        if (parser.isSet(*o)) modes += static_cast<int>(parser.values(*o).size()) + (o == &keep);
    }
    if (modes > 1)
        throw UsageError{"大きさは --percent, --height, --width, --box, --keep のどれか一つです"};
    if (parser.isSet(percent)) {
        s.sizeMode = ScaleByPercent;
        s.scalePercent = ParseInt(parser.value(percent), "--percent", 10, 400);
    } else if (parser.isSet(height)) {
        s.sizeMode = FitHeight;
        s.targetHeight = ParseInt(parser.value(height), "--height", 50, 4000);
    } else if (parser.isSet(width)) {
        s.sizeMode = FitWidth;
        s.targetWidth = ParseInt(parser.value(width), "--width", 50, 4000);
    } else if (parser.isSet(box)) {
        const QString v = parser.value(box);
        const QStringList parts = v.split(QRegularExpression("[xX×]"));
        if (parts.size() != 2) throw UsageError{"--box: WxH の形で指定してください (例 640x480)"};
        s.sizeMode = FitBox;
        s.targetWidth = ParseInt(parts[0], "--box", 50, 4000);
        s.targetHeight = ParseInt(parts[1], "--box", 50, 4000);
    } else if (parser.isSet(keep)) {
        s.sizeMode = KeepSize;
    }
    if (parser.isSet(quality))
        s.jpegQuality = ParseInt(parser.value(quality), "--quality", 10, 100);
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
        err << kProgram << ": " << e.text << "\n" << kUsage;
        return 2;
    }
    if (info == Info::Help) {
        out << kUsage;
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
            err << kProgram << ": --select: " << name << ": JPEG か BMP の画像がありません\n";
            return 2;
        }
        model.SetChecked(line, true);
    }
    for (const auto& [name, turns] : request.turns) {
        const int line = model.IndexOf(name);
        if (line < 0) {
            err << kProgram << ": --turn: " << name << ": JPEG か BMP の画像がありません\n";
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
        err << kUsage;
        return 2;
    }
    // A signal that came after the last picture still ends the program as stopped by it.
    if (const int signal = StopSignals::Received(); signal != 0)
        return StopSignals::ExitCode(signal);

    return folder_ready && outcome.end == BatchOutcome::End::Finished && outcome.failed == 0 ? 0
                                                                                             : 1;
}
