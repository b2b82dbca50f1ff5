#include "resizer/job/batch_resize.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/path_helpers.h"
#include "core/picture_job.h"
#include "platform/file_system.h"
#include "platform/picture_selection.h"
#include "platform/progress_sink.h"
#include "platform/user_dialogs.h"
#include "resizer/job/batch_outcome.h"

namespace {

constexpr const char* kNothingChecked = "イメージが選択されていません。";
constexpr const char* kPreparing = "フォルダの準備をしています...";
constexpr const char* kCreating = "作成しています...";

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

namespace {

// Pixels are held as 32-bit RGB.
constexpr std::int64_t kBytesPerPixel = 4;

// The minimum size a load may be decoded at: the planned target when it is at most half the
// picture in both directions (a JPEG is then decoded at a reduced scale), else 0 x 0 (every pixel).
// The size rule is worked out from the header, on the picture as it will be turned.
ImgKitSize LoadMinimum(const ResizerSettings& settings, ImgKitSize upright, int turns) {
    if (upright.width <= 0 || upright.height <= 0) return {};
    const ImgKitSize turned = turns % 2 ? ImgKitSize{upright.height, upright.width} : upright;
    const ImgKitSize planned = ComputeTargetSize(settings, turned.width, turned.height);
    if (planned.width > 0 && planned.height > 0 &&
        std::int64_t{planned.width} * 2 <= turned.width &&
        std::int64_t{planned.height} * 2 <= turned.height) {
        return turns % 2 ? ImgKitSize{planned.height, planned.width} : planned;
    }
    return {};
}

// The resized picture of `plan` (a JPEG or BMP), saved as its output.
PictureOutcome ResizeFile(const ResizerSettings& settings, ImageCodec& codec,
                          const PicturePlan& plan, ImgKitSize upright) {
    PictureOutcome outcome;
    // Writing over the picture that is read (the output is the source's own entry) replaces the
    // file its path leads to, so that a picture kept behind a link stays there. The link is
    // resolved once, here, before the read: the file read is the file replaced, and the save is
    // refused when the path no longer leads to it (a link re-pointed, the file swapped meanwhile)
    // rather than replace another photograph.
    FileToReplace original;
    if (plan.output_is_source && !FindFileToReplace(plan.source, original)) {
        outcome.failure = PictureFailure::Unreadable;  // nothing to read there (any more)
        return outcome;
    }
    const std::string& read = plan.output_is_source ? original.path : plan.source;
    if (upright.width <= 0 || upright.height <= 0) upright = codec.UprightSize(read);
    const ImgKitSize minimum = LoadMinimum(settings, upright, plan.turns);
    // An empty, damaged or foreign file, or a picture too large for the memory left, gives none.
    LoadedPicture loaded = codec.LoadPicture(read, minimum.width, minimum.height);
    if (!loaded.image) {
        outcome.failure = loaded.failure;
        return outcome;
    }
    ImageHandle& image = loaded.image;
    ImgKitSize size = codec.Size(image);
    for (int i = 0; i < plan.turns; ++i) codec.Rotate(image);
    if (plan.turns != 0) size = codec.Size(image);

    const ImgKitSize target = ComputeTargetSize(settings, size.width, size.height);
    ImageHandle resized;
    if (target != size) {
        if (target.width < 1 || target.height < 1) {
            // A picture a few pixels wide at a small percentage: there is nothing to make.
            outcome.failure = PictureFailure::TooSmall;
            return outcome;
        }
        resized = codec.Resize(image, target.width, target.height);
        if (!resized) {
            outcome.failure = PictureFailure::NoMemory;
            return outcome;  // both handles release themselves, each once
        }
        // Only the resized picture is saved: the loaded one is released before the encoding.
        ImgKitMemFree(image);
    }
    const ImageHandle& picture = resized ? resized : image;

    // Any other output than the source is replaced as an entry: a link or a hard link standing in
    // the output folder is never written through, so the original it shares a file with is left
    // alone. The save goes through a temporary file, so a failed save never destroys the original.
    // A JPEG keeps its date taken, camera and colour profile; one saved without its XMP is made,
    // and listed for what it lacks.
    outcome.failure = plan.output_is_source
                          ? codec.SavePictureOver(original, picture, plan.kind,
                                                  settings.jpegQuality, plan.location)
                          : codec.SavePictureOf(plan.source, plan.output, picture, plan.kind,
                                                settings.jpegQuality, plan.location);
    outcome.output_written =
        outcome.failure == PictureFailure::None || outcome.failure == PictureFailure::XmpLeftOut;
    return outcome;
}

}  // namespace

std::int64_t ResizePictureBytes(const ResizerSettings& settings, const PicturePlan& plan,
                                ImageCodec& codec, ImgKitSize& upright) {
    upright = {};
    if (plan.kind != kJpegImage && plan.kind != kBmpImage) return 0;
    upright = codec.UprightSize(plan.source);
    if (upright.width <= 0 || upright.height <= 0) return 0;
    const ImgKitSize minimum = LoadMinimum(settings, upright, plan.turns);
    const std::int64_t decoded =
        ImgKitDecodedPixels(upright, plan.kind == kJpegImage, minimum.width, minimum.height) *
        kBytesPerPixel;
    const ImgKitSize turned = plan.turns % 2 ? ImgKitSize{upright.height, upright.width} : upright;
    const ImgKitSize target = ComputeTargetSize(settings, turned.width, turned.height);
    const std::int64_t resized = target.width > 0 && target.height > 0
                                     ? std::int64_t{target.width} * target.height * kBytesPerPixel
                                     : 0;
    // What the decoder holds beside the pixels: the file, a progressive picture's coefficients.
    const std::int64_t work = ImgKitDecodeWorkBytes(plan.source);
    // A turned picture is held twice while it turns (the old pixels and the new).
    return std::max(work + decoded, plan.turns != 0 ? 2 * decoded : decoded) + resized;
}

PictureOutcome ResizePlannedPicture(const ResizerSettings& settings, const PicturePlan& plan,
                                    ImageCodec& codec, ImgKitSize upright) {
    // Neither JPEG nor BMP: passed over, nothing done, nothing reported.
    if (plan.kind != kJpegImage && plan.kind != kBmpImage) return {};
    return ResizeFile(settings, codec, plan, upright);
}

namespace {

// The checked pictures in list order with their paths and turns, read from the list on the
// calling thread. `base` ends in a separator.
std::vector<PicturePlan> PlanResizes(const ResizerSettings& settings,
                                     const PictureSelection& pictures, const std::string& base) {
    // The source folder normally ends in a separator already; one is added only when missing.
    std::string source_folder = settings.sourceFolder;
    if (!source_folder.empty()) EnsureTrailingSeparator(source_folder);
    // Source and output share the name, so the output is the source's own entry exactly
    // when the folders are one (asked once: a folder of 20,000 pictures is planned at once).
    const bool over_source = IsSameFolder(source_folder.empty() ? "." : source_folder, base);
    std::vector<PicturePlan> plans;
    for (int line = pictures.FirstChecked(); line != -1; line = pictures.NextChecked(line)) {
        PicturePlan plan;
        plan.line = line;
        plan.name = pictures.ItemText(line);
        plan.source = source_folder + plan.name;
        plan.kind = ImageKindOfName(plan.source);
        // A picture that is neither JPEG nor BMP is passed over and touches nothing.
        if (plan.kind == kJpegImage || plan.kind == kBmpImage) {
            plan.output = base + plan.name;
            plan.output_is_source = over_source;
            plan.writes_over_source = over_source;
            plan.location = settings.stripLocation ? LocationRule::Remove : LocationRule::Keep;
        }
        plan.turns = ((pictures.GetQuarterTurns(line) % 4) + 4) % 4;
        plans.push_back(std::move(plan));
    }
    return plans;
}

// The pictures of the batch, recording what happened in `outcome` and the failure lines in
// `failures`. Returns false when the base folder could not be made.
bool ResizePictures(const ResizerSettings& settings, const BatchContext& context,
                    std::string& failures, BatchOutcome& outcome) {
    ProgressSink& progress = context.progress;
    progress.SetMessage(kPreparing);
    progress.SetRange(7);
    progress.SetPos(0);

    std::string base = settings.overwriteOriginals ? settings.sourceFolder : settings.outputFolder;
    StripTrailingSeparator(base);
    progress.SetPos(1);
    if (!settings.overwriteOriginals && !EnsureFolder(base, false, context.dialogs)) return false;
    progress.SetPos(2);
    EnsureTrailingSeparator(base);

    progress.SetMessage(kCreating);
    progress.SetRange(std::max(1, context.pictures.CheckedCount()));
    progress.SetPos(0);

    PictureJob job;
    job.pictures = PlanResizes(settings, context.pictures, base);
    job.work_done = PictureWork::Resize;
    const std::vector<PicturePlan>& plans = job.pictures;
    std::vector<ImgKitSize> uprights(plans.size());
    // Set on a worker once its picture's resized picture is saved: a picture listed only for what
    // it could not keep has nothing to fall back to.
    std::vector<char> written(plans.size(), 0);
    ImageCodec& codec = context.codec;

    job.estimate = [&](int i) {
        return ResizePictureBytes(settings, plans[i], codec, uprights[i]);
    };
    job.work = [&](int i, int same_file) -> PictureOutcome {
        // A later name of a file already resized under its first name: resizing it again would
        // shrink the file twice.
        if (same_file >= 0) return SameFileOutcome(plans[same_file].source, plans[i].source);
        PictureOutcome resized = ResizePlannedPicture(settings, plans[i], codec, uprights[i]);
        written[i] = resized.output_written ? 1 : 0;
        return resized;
    };
    job.after_failure = [&](int i) {
        // The user still gets every picture in the output folder; a failing copy is not
        // reported, as the failure itself already is. An original is never copied onto itself,
        // nor over a picture that was made (one listed for what it could not keep). A copy
        // that would tell where the picture was taken, when that is not to be told, is not
        // made either.
        if (!plans[i].output_is_source && !written[i])
            codec.CopyPicture(plans[i].source, plans[i].output, plans[i].kind, plans[i].location);
    };
    // Room for every line, made before the first picture: taking one in never needs memory.
    outcome.saved_over_source.reserve(plans.size());
    job.commit = [&](int i, const PictureOutcome& picture) {
        // A picture listed for what it could not keep counts as failed, not converted.
        if (!picture.Failed() && picture.output_written) ++outcome.converted;
        if (picture.output_written && plans[i].writes_over_source)
            outcome.saved_over_source.push_back(plans[i].line);
    };
    const PictureJobRun run = RunPictureJob(job, progress, OrderedPool::Limits{context.workers, 0});
    outcome.handled = run.handled;
    outcome.failed = run.failed;
    failures = run.failures;
    if (run.broke_down != nullptr) outcome.end = BatchOutcome::End::BrokeDown;
    return true;
}

}  // namespace

std::string StoppedBatchMessage(int handled, int checked, const std::string& failures) {
    std::string text = "作成を中止しました。\n" + ProcessedCountLine(handled, checked);
    if (!failures.empty()) text += "\n\n" + failures;
    return text;
}

std::string BrokenBatchMessage(int handled, int checked, const std::string& failures) {
    std::string text = "作成を続けられませんでした。\n" + ProcessedCountLine(handled, checked);
    if (!failures.empty()) text += "\n\n" + failures;
    return text;
}

BatchOutcome RunBatch(const ResizerSettings& settings, const BatchContext& context) {
    BatchOutcome outcome;
    const int checked = context.pictures.CheckedCount();
    if (checked == 0) {
        context.dialogs.ShowMessage(kNothingChecked, std::nullopt, MessageIcon::Exclamation,
                                    MessageButtons::Ok);
        outcome.end = BatchOutcome::End::NothingChecked;
        return outcome;
    }
    context.progress.Open();
    std::string failures;
    const bool folder_ok = ResizePictures(settings, context, failures, outcome);
    context.progress.Close();
    if (!folder_ok) {
        outcome.end = BatchOutcome::End::FolderFailed;
    } else if (outcome.end == BatchOutcome::End::BrokeDown) {
        // Said as it is: nobody stopped it.
    } else if (outcome.handled < checked) {
        outcome.end = BatchOutcome::End::Interrupted;
    } else {
        outcome.end = BatchOutcome::End::Finished;
    }
    if (outcome.end == BatchOutcome::End::Interrupted) {
        context.dialogs.ShowMessage(StoppedBatchMessage(outcome.handled, checked, failures),
                                    std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
    } else if (outcome.end == BatchOutcome::End::BrokeDown) {
        context.dialogs.ShowMessage(BrokenBatchMessage(outcome.handled, checked, failures),
                                    std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
    } else if (!failures.empty()) {
        context.dialogs.ShowMessage(failures, std::nullopt, MessageIcon::Exclamation,
                                    MessageButtons::Ok);
    }
    return outcome;
}

OutputFolderCheck PrepareOutputFolder(ResizerSettings& settings, UserDialogs& dialogs) {
    if (settings.overwriteOriginals) return OutputFolderCheck::Ready;
    // "~/" stands for the home folder here; the expanded path is what gets checked, created and
    // written to, so the question about a missing folder names the real place.
    settings.outputFolder = ExpandHome(settings.outputFolder);
    const char* refusal = nullptr;
    if (!IsAbsoluteFolderPath(settings.outputFolder)) {
        refusal = kNotAbsoluteMessage;
    } else if (HasExtension(settings.outputFolder)) {
        refusal = kExtensionMessage;
    } else if (IsSameFolder(settings.outputFolder,
                            settings.sourceFolder.empty() ? "/" : settings.sourceFolder)) {
        // The pictures would be saved over their originals, which the user did not ask for.
        refusal = kOutputIsSourceMessage;
    }
    if (refusal != nullptr) {
        dialogs.ShowMessage(refusal, std::nullopt, MessageIcon::None, MessageButtons::Ok);
        return OutputFolderCheck::Refused;
    }
    StripTrailingSeparator(settings.outputFolder);
    return EnsureFolder(settings.outputFolder, true, dialogs) ? OutputFolderCheck::Ready
                                                              : OutputFolderCheck::NotMade;
}
