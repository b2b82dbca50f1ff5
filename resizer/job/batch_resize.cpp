#include "resizer/job/batch_resize.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "browser/path_helpers.h"
#include "platform/file_system.h"
#include "platform/picture_selection.h"
#include "platform/progress_sink.h"
#include "platform/user_dialogs.h"
#include "resizer/job/batch_outcome.h"

namespace {

constexpr const char* kNotAbsolute = "出力ディレクトリは絶対パス名で指定してください";
constexpr const char* kHasExtension =
    "出力ディレクトリはディレクトリを指定してください。（拡張子はつけない）";
constexpr const char* kNothingChecked = "イメージが選択されていません。";
constexpr const char* kPreparing = "フォルダの準備をしています...";
constexpr const char* kCreating = "作成しています...";
constexpr const char* kNoMemory = "メモリの確保に失敗しました";
constexpr const char* kSaveFailed = "ﾌｧｲﾙの保存に失敗しました";

// Percent rule in 64 bits: a huge picture at 400 % must not wrap around. The result is truncated
// toward zero as the rule says; a value beyond 32 bits is reported as -1, which no resize accepts.
int ScalePercent(int value, int percent) {
    const std::int64_t r = static_cast<std::int64_t>(value) * percent / 100;
    if (r > INT32_MAX || r < INT32_MIN) return -1;
    return static_cast<int>(r);
}

}  // namespace

ImgKitSize ComputeTargetSize(const ResizerSettings& settings, int width, int height) {
    switch (settings.sizeMode) {
        case ScaleByPercent:
            return {ScalePercent(width, settings.scalePercent),
                    ScalePercent(height, settings.scalePercent)};
        case FitHeight:
            return {MulDiv(width, settings.targetHeight, height), settings.targetHeight};
        case FitWidth:
            return {settings.targetWidth, MulDiv(height, settings.targetWidth, width)};
        case FitBox: {
            if (width == settings.targetWidth && height == settings.targetHeight)
                return {width, height};
            ImgKitSize size{settings.targetWidth, MulDiv(height, settings.targetWidth, width)};
            // A height exactly equal to the box's counts as fitting.
            if (size.height > settings.targetHeight)
                size = {MulDiv(width, settings.targetHeight, height), settings.targetHeight};
            return size;
        }
        case KeepSize:
        default:
            return {width, height};
    }
}

bool ResizeOneFile(const ResizerSettings& settings, const BatchContext& context,
                   const std::string& source, const std::string& destination, int kind, int line,
                   std::string& error) {
    error.clear();
    ImageCodec& codec = context.codec;
    const int turns = ((context.pictures.GetQuarterTurns(line) % 4) + 4) % 4;

    // A target of at most half the picture in both directions lets a JPEG be decoded at a reduced
    // scale; the size rule is worked out from the header first, on the picture as it will be
    // turned.
    int min_width = 0;
    int min_height = 0;
    const ImgKitSize upright = codec.UprightSize(source);
    if (upright.width > 0 && upright.height > 0) {
        const ImgKitSize turned = turns % 2 ? ImgKitSize{upright.height, upright.width} : upright;
        const ImgKitSize planned = ComputeTargetSize(settings, turned.width, turned.height);
        if (planned.width > 0 && planned.height > 0 &&
            std::int64_t{planned.width} * 2 <= turned.width &&
            std::int64_t{planned.height} * 2 <= turned.height) {
            min_width = turns % 2 ? planned.height : planned.width;
            min_height = turns % 2 ? planned.width : planned.height;
        }
    }

    ImageHandle image = codec.Load(source, min_width, min_height);
    if (!image) {
        error = kNoMemory;
        return false;
    }
    ImgKitSize size = codec.Size(image);
    for (int i = 0; i < turns; ++i) codec.Rotate(image);
    if (turns != 0) size = codec.Size(image);

    const ImgKitSize target = ComputeTargetSize(settings, size.width, size.height);
    ImageHandle resized;
    if (target != size) {
        resized = codec.Resize(image, target.width, target.height);
        if (!resized) {
            error = kNoMemory;
            return false;  // both handles release themselves, each once
        }
    }
    const ImageHandle& output = resized ? resized : image;

    // Writing over the picture that was just read replaces the file its path leads to (a picture
    // kept behind a link stays there); the save goes through a temporary file, so a failed save
    // never destroys the original. A JPEG keeps its date taken, camera and colour profile.
    const std::string path = IsSameFile(source, destination) ? ResolvedPath(source) : destination;
    const bool saved = codec.SavePictureOf(source, path, output, static_cast<ImageKind>(kind),
                                           settings.jpegQuality);
    if (!saved) {
        error = kSaveFailed;
        return false;
    }
    return true;
}

namespace {

// The loop of ResizeSelection, counting what happened. Returns false when the base folder could not
// be made.
bool ResizeSelectionCounting(const ResizerSettings& settings, const BatchContext& context,
                             std::string& errors, int& converted, int& failed) {
    ProgressSink& progress = context.progress;
    const PictureSelection& pictures = context.pictures;
    progress.SetMessage(kPreparing);
    progress.SetRange(7);
    progress.SetPos(0);

    std::string base = settings.overwriteOriginals ? settings.sourceFolder : settings.outputFolder;
    StripTrailingSeparator(base);
    progress.SetPos(1);
    if (!settings.overwriteOriginals && !EnsureFolder(base, false, context.dialogs)) return false;
    progress.SetPos(2);
    EnsureTrailingSeparator(base);

    // The source folder normally ends in a separator already; one is added only when missing.
    std::string source_folder = settings.sourceFolder;
    if (!source_folder.empty()) EnsureTrailingSeparator(source_folder);

    progress.SetMessage(kCreating);
    progress.SetRange(std::max(1, pictures.CheckedCount()));
    progress.SetPos(0);
    int done = 1;
    for (int line = pictures.FirstChecked(); line != -1; line = pictures.NextChecked(line)) {
        const std::string name = pictures.ItemText(line);
        const std::string source = source_folder + name;
        const std::string destination = base + name;
        const int kind = ImageKindOfName(source);
        if (kind == kJpegImage || kind == kBmpImage) {
            std::string error;
            if (ResizeOneFile(settings, context, source, destination, kind, line, error)) {
                ++converted;
            } else {
                ++failed;
                errors += source + " (ｴﾗｰ)" + error + "\n";
                // The user still gets every picture in the output folder; a failing copy is not
                // reported, as the failure itself already is.
                if (!IsSameFile(source, destination)) CopyFileReplacing(source, destination);
            }
        }
        progress.SetPos(done);
        ++done;
    }
    return true;
}

}  // namespace

void ResizeSelection(const ResizerSettings& settings, const BatchContext& context,
                     std::string& errors) {
    int converted = 0;
    int failed = 0;
    ResizeSelectionCounting(settings, context, errors, converted, failed);
}

BatchOutcome RunBatchWithOutcome(const ResizerSettings& settings, const BatchContext& context) {
    BatchOutcome outcome;
    if (context.pictures.CheckedCount() == 0) {
        context.dialogs.ShowMessage(kNothingChecked, std::nullopt, MessageIcon::Exclamation,
                                    MessageButtons::Ok);
        outcome.end = BatchOutcome::End::NothingChecked;
        return outcome;
    }
    context.progress.Open();
    std::string errors;
    const bool folder_ok =
        ResizeSelectionCounting(settings, context, errors, outcome.converted, outcome.failed);
    context.progress.Close();
    outcome.end = folder_ok ? BatchOutcome::End::Finished : BatchOutcome::End::FolderFailed;
    if (!errors.empty())
        context.dialogs.ShowMessage(errors, std::nullopt, MessageIcon::Exclamation,
                                    MessageButtons::Ok);
    return outcome;
}

void RunBatch(const ResizerSettings& settings, const BatchContext& context) {
    RunBatchWithOutcome(settings, context);
}

BatchOutcome StartBatchWithOutcome(ResizerSettings& settings, const BatchContext& context) {
    if (settings.overwriteOriginals) return RunBatchWithOutcome(settings, context);

    // "~/" stands for the home folder here; the expanded path is what gets checked, created and
    // written to, so the question about a missing folder names the real place.
    settings.outputFolder = ExpandHome(settings.outputFolder);
    if (!IsAbsoluteFolderPath(settings.outputFolder)) {
        context.dialogs.ShowMessage(kNotAbsolute, std::nullopt, MessageIcon::None,
                                    MessageButtons::Ok);
        return {};
    }
    if (HasExtension(settings.outputFolder)) {
        context.dialogs.ShowMessage(kHasExtension, std::nullopt, MessageIcon::None,
                                    MessageButtons::Ok);
        return {};
    }
    StripTrailingSeparator(settings.outputFolder);
    if (!EnsureFolder(settings.outputFolder, true, context.dialogs)) return {};
    return RunBatchWithOutcome(settings, context);
}

bool StartBatch(ResizerSettings& settings, const BatchContext& context) {
    return StartBatchWithOutcome(settings, context).end != BatchOutcome::End::Stopped;
}
