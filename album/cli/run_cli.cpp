#include "album/cli/run_cli.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <optional>

#include "album/cli/setting_overrides.h"
#include "album/cli/xdg_shell_opener.h"
#include "album/generation/album_pipeline.h"
#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"
#include "album/settings/output_names.h"
#include "core/path_helpers.h"
#include "core/picture_list_model.h"
#include "imaging/image_codec.h"
#include "imaging/image_library.h"
#include "imaging/library_versions.h"
#include "platform/console_progress_sink.h"
#include "platform/console_questions.h"
#include "platform/console_user_dialogs.h"
#include "platform/file_system.h"
#include "platform/profile_store.h"
#include "platform/stop_signals.h"
#include "platform/text_encoding.h"

namespace {

constexpr const char* kProgram = "pictavo-cli";

constexpr const char* kUsage =
    "使い方: pictavo-cli [オプション] PICTURE_FOLDER\n"
    "PICTURE_FOLDER の画像 (JPEG, PNG, WebP, AVIF, HEIC, TIFF, GIF, BMP) からアルバム (HTML "
    "とサムネイル) を作ります。\n"
    "\n"
    "設定:\n"
    "  --profile FILE       設定ファイル (既定は Pictavo の設定ファイル、なければ既定値)\n"
    "  --set KEY=VALUE      設定項目を変える (例 --set html_title=夏休み、繰り返し可)\n"
    "  -o, --out DIR        出力フォルダ (out_dir、なければ作成)\n"
    "  --html-only          HTML と具材だけを作り直す\n"
    "  --strip-location     コピーとサムネイルに位置情報 (GPS、地名) を残さない\n"
    "                       (strip_location=1。消せない画像はコピーせずエラーとして示す)\n"
    "  --captions           コメントのない画像に、画像に書かれた説明 (XMP, IPTC, Exif) を\n"
    "                       表示する (read_captions=1)\n"
    "  --order date|name    date: 撮影日時順 (date_order=1、日時のない画像は最後)、\n"
    "                       name: ファイル名順 (既定)\n"
    "画像の指定:\n"
    "  --select NAME        NAME だけをアルバムに入れる (繰り返し可、既定はすべての画像)\n"
    "  --comment NAME=TEXT  NAME のコメント (TEXT の \\n は改行)\n"
    "  --turn NAME=N        NAME を N 回 90 度回転する\n"
    "その他:\n"
    "  --open               作成後に最初のページをブラウザで開く (指定しないと、端末から\n"
    "                       実行したときは開くかどうかを尋ねる)\n"
    "  -q, --quiet          エラーと最後の結果 (最初のページのパス) のほかは何も表示しない\n"
    "  -h, --help           この説明を表示する\n"
    "  --version            バージョンを表示する\n"
    "\n"
    "終了コード: 0 すべて作成した, 1 作成できなかったものがある, 2 使い方の誤り,\n"
    "           130 (SIGINT) または 143 (SIGTERM) で中止した\n";

struct UsageError {
    std::string text;
};

// An argument or option value with the bytes it was given: a file name that is not UTF-8 travels
// through the parser as lone surrogates (BytesToUtf16) and comes back unchanged.
std::string Bytes(const QString& s) {
    return Utf16ToBytes(s.toStdU16String());
}

// "NAME=VALUE" split at its first "=" (a comment may hold "=") or its last (a turn count never
// does).
std::pair<std::string, std::string> SplitAssignment(const QString& text, const char* option,
                                                    const char* form, bool at_last) {
    const qsizetype eq = at_last ? text.lastIndexOf('=') : text.indexOf('=');
    if (eq <= 0) throw UsageError{std::string(option) + ": " + form + " の形で指定してください"};
    return {Bytes(text.left(eq)), Bytes(text.mid(eq + 1))};
}

// A comment typed on the command line: a literal "\n" is a line break, stored as the comment box
// stores it ("\r\n").
std::string CommentFromArgument(const std::string& text) {
    std::string comment;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
            comment += "\r\n";
            ++i;
        } else {
            comment += text[i];
        }
    }
    return comment;
}

struct Request {
    AlbumSettings settings;
    std::vector<std::string> selected;
    std::vector<std::pair<std::string, std::string>> comments;
    std::vector<std::pair<std::string, int>> turns;
    bool open = false;
    bool quiet = false;
};

// What the run is asked for besides an album.
enum class Info { None, Help, Version };

Request Parse(const std::vector<std::string>& args, Info& info) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption profile("profile", "", "FILE");
    const QCommandLineOption set("set", "", "KEY=VALUE");
    const QCommandLineOption out(QStringList{"o", "out"}, "", "DIR");
    const QCommandLineOption html_only("html-only");
    const QCommandLineOption strip_location("strip-location");
    const QCommandLineOption captions("captions");
    const QCommandLineOption order("order", "", "date|name");
    const QCommandLineOption select("select", "", "NAME");
    const QCommandLineOption comment("comment", "", "NAME=TEXT");
    const QCommandLineOption turn("turn", "", "NAME=N");
    const QCommandLineOption open("open");
    const QCommandLineOption quiet(QStringList{"q", "quiet"});
    const QCommandLineOption help_option(QStringList{"h", "help"});
    const QCommandLineOption version_option("version");
    parser.addOptions({profile, set, out, html_only, strip_location, captions, order, select,
                       comment, turn, open, quiet, help_option, version_option});

    QStringList list{QString::fromUtf8(kProgram)};
    for (const std::string& a : args) list << QString::fromStdU16String(BytesToUtf16(a));
    if (!parser.parse(list)) throw UsageError{Bytes(parser.errorText())};
    info = parser.isSet(help_option)      ? Info::Help
           : parser.isSet(version_option) ? Info::Version
                                          : Info::None;
    Request request;
    if (info != Info::None) return request;

    if (parser.values(profile).size() > 1) throw UsageError{"--profile は一つだけ指定してください"};
    if (parser.values(out).size() > 1) throw UsageError{"--out は一つだけ指定してください"};
    AlbumSettings& s = request.settings;
    // A missing profile file reads as the defaults, as a first start of the album maker does.
    const std::string profile_path =
        parser.isSet(profile) ? AbsolutePath(Bytes(parser.value(profile))) : DefaultProfilePath();
    LoadSettings(ProfileStore(profile_path), s);

    for (const QString& assignment : parser.values(set)) {
        auto [key, value] = SplitAssignment(assignment, "--set", "KEY=VALUE", false);
        if (std::optional<std::string> error = ApplySetting(s, key, value)) {
            throw UsageError{"--set: " + *error};
        }
    }
    if (parser.isSet(out)) s.out_dir = Bytes(parser.value(out));
    if (parser.isSet(html_only)) s.html_only = 1;
    if (parser.isSet(strip_location)) s.strip_location = 1;
    if (parser.isSet(captions)) s.read_captions = 1;
    if (parser.values(order).size() > 1) throw UsageError{"--order は一つだけ指定してください"};
    if (parser.isSet(order)) {
        const QString how = parser.value(order);
        if (how != "date" && how != "name")
            throw UsageError{"--order: date か name を指定してください"};
        s.date_order = how == "date" ? 1 : 0;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) throw UsageError{"PICTURE_FOLDER は一つだけ指定してください"};
    if (!positional.empty()) s.picture_path = Bytes(positional[0]);
    if (s.picture_path.empty()) throw UsageError{"PICTURE_FOLDER を指定してください"};

    for (const QString& name : parser.values(select)) request.selected.push_back(Bytes(name));
    for (const QString& c : parser.values(comment)) {
        auto [name, text] = SplitAssignment(c, "--comment", "NAME=TEXT", false);
        request.comments.emplace_back(name, CommentFromArgument(text));
    }
    for (const QString& t : parser.values(turn)) {
        auto [name, count] = SplitAssignment(t, "--turn", "NAME=N", true);
        bool ok = false;
        const int n = QString::fromStdString(count).trimmed().toInt(&ok);
        if (!ok) throw UsageError{"--turn: 回転の回数は整数で指定してください"};
        request.turns.emplace_back(name, ((n % 4) + 4) % 4);
    }
    request.open = parser.isSet(open);
    request.quiet = parser.isSet(quiet);
    return request;
}

// Brings the settings into the form the Output page leaves them in, or names what is wrong.
void PrepareSettings(AlbumSettings& s) {
    if (std::optional<std::string> error = CheckSettings(s)) throw UsageError{*error};

    s.picture_path = AbsolutePath(s.picture_path);
    if (!IsDirectory(s.picture_path)) {
        throw UsageError{s.picture_path + ": フォルダが見つかりません"};
    }
    EnsureTrailingSeparator(s.picture_path);

    if (s.out_sorce != 0) {
        // The album goes beside the pictures: the copies are the pictures themselves.
        s.pic_folder.clear();
    } else {
        // A relative output folder is taken from the current folder, as any path argument is.
        s.out_dir = AbsolutePath(s.out_dir);
        StripTrailingSeparator(s.out_dir);
    }
    // The create button's checks, in its order (the names have passed already).
    switch (CheckAlbumOutput(s).refusal) {
        case AlbumOutputRefusal::None:
            return;
        case AlbumOutputRefusal::NameNotAlone:
            throw UsageError{kNameOnlyMessage};
        case AlbumOutputRefusal::LocationInSources:
            throw UsageError{kLocationInSourcesMessage};
        case AlbumOutputRefusal::NotAbsolute:
            throw UsageError{kNotAbsoluteMessage};
        case AlbumOutputRefusal::HasExtension:
            throw UsageError{s.out_dir + ": " + kExtensionMessage};
        case AlbumOutputRefusal::PicturesOverSources:
            throw UsageError{kPictureFolderMessage};
        case AlbumOutputRefusal::ThumbnailsInPictureFolder:
            throw UsageError{kThumbnailFolderMessage};
        case AlbumOutputRefusal::ThumbnailFolderClash:
        case AlbumOutputRefusal::MaterialFolderClash:
            throw UsageError{kFolderClashMessage};
    }
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunCli(args, out, err, ConsoleInput{});
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const ConsoleInput& input) {
    Info info = Info::None;
    Request request;
    try {
        request = Parse(args, info);
        if (info == Info::None) PrepareSettings(request.settings);
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
    AlbumSettings& settings = request.settings;

    PictureListModel model;
    model.Fill(settings.picture_path, PictureFilter::Album);
    auto line_of = [&](const std::string& option, const std::string& name) {
        const int line = model.IndexOf(name);
        if (line < 0) {
            throw UsageError{
                option + ": " + name + ": " + settings.picture_path +
                " にその画像 (JPEG, PNG, WebP, AVIF, HEIC, TIFF, GIF, BMP) がありません"};
        }
        return line;
    };
    try {
        if (request.selected.empty()) {
            for (int i = 0; i < model.Count(); ++i) model.SetChecked(i, true);
        }
        for (const std::string& name : request.selected) {
            model.SetChecked(line_of("--select", name), true);
        }
        for (const auto& [name, text] : request.comments) {
            model.SetComment(line_of("--comment", name), text);
        }
        for (const auto& [name, turns] : request.turns) {
            const int line = line_of("--turn", name);
            // A GIF is copied as it is: a turn asked for it could only be ignored.
            const ImageKindInfo* kind = FindImageKind(ImageKindOfName(name));
            if (kind == nullptr || !kind->decoded)
                throw UsageError{"--turn: " + name + ": GIF の画像は回転できません"};
            for (int i = 0; i < turns; ++i) model.AddQuarterTurn(line);
        }
    } catch (const UsageError& e) {
        err << kProgram << ": " << e.text << "\n";
        return 2;
    }

    ConsoleUserDialogs messages(err, kProgram, /*answer_yes=*/request.open);
    // The one question of the build, whether to open the album now: --open answers it up front;
    // otherwise it is asked only of a person at a terminal, and a quiet run never shows it.
    const QuestionMode question_mode =
        request.open ? (request.quiet ? QuestionMode::kSilent : QuestionMode::kLogged)
        : (input.is_terminal && !request.quiet) ? QuestionMode::kAsked
                                                : QuestionMode::kSilent;
    ConsoleQuestions dialogs(messages, question_mode, /*fixed_answer=*/request.open, err, input);
    // From here on SIGINT and SIGTERM stop the build cleanly: no new picture is started, the ones
    // in flight are finished, no page is written, and the exit status tells which signal it was.
    const StopSignals stop_signals;
    // The output folder is created without asking: the command line already said where to write.
    if (settings.out_sorce == 0 && !EnsureFolder(settings.out_dir, false, dialogs)) return 1;

    const bool was_loaded = ImageLibrary::IsLoaded();
    // Without the imaging layer the album is still made: pictures are copied, without thumbnails.
    if (!was_loaded) ImageLibrary::Load(dialogs);
    // The materials are looked up under the current directory, as the album maker does.
    std::error_code ec;
    const std::filesystem::path start = std::filesystem::current_path(ec);
    const MaterialFolders materials =
        MaterialFolders::FromStartDirectory(ec ? std::string(".") : start.string());
    ConsoleProgressSink progress(err, request.quiet);
    XdgShellOpener shell(dialogs);
    const AlbumBuildContext context{settings, model, materials,          dialogs,
                                    progress, shell, DefaultImageCodec()};
    AlbumBuildReport report;
    const bool ok = BuildAlbum(context, report);
    if (!was_loaded) ImageLibrary::Unload();
    // A signal that came after the last picture still ends the program as stopped by it.
    if (const int signal = StopSignals::Received(); signal != 0)
        return StopSignals::ExitCode(signal);
    if (report.stopped) return 1;
    // Anything the album lacks is a failure: a folder not made, a picture not copied or turned or
    // without its thumbnail, a chosen material not copied, a page not written.
    if (!ok || !report.folders_made || report.pictures_failed > 0 || report.materials_failed > 0 ||
        report.pages_failed > 0)
        return 1;
    out << AlbumOutputFolder(settings) << settings.html_name << ".html\n";
    return 0;
}
