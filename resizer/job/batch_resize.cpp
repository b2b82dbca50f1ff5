#include "resizer/job/batch_resize.h"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "core/path_helpers.h"
#include "core/picture_job.h"
#include "imaging/pixel_buffer.h"
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

// Why a decoder gave no picture, as the failure of the picture (a format named where the reason
// is its format).
PictureOutcome RefusedOutcome(PictureRefusal refusal, ImageKind kind) {
    PictureOutcome outcome;
    switch (refusal) {
        case PictureRefusal::kNone:
            break;
        case PictureRefusal::kUnreadable:
        case PictureRefusal::kTooLarge:  // as an absurd JPEG header is: it is no photograph
            outcome.failure = PictureFailure::Unreadable;
            break;
        case PictureRefusal::kOutOfMemory:
            outcome.failure = PictureFailure::NoMemory;
            break;
        case PictureRefusal::kAnimated:
            outcome.failure = PictureFailure::Animated;
            outcome.kind = kind;
            break;
        case PictureRefusal::kSeveralImages:
            outcome.failure = PictureFailure::SeveralImages;
            outcome.kind = kind;
            break;
        case PictureRefusal::kNoDecoder:
            outcome.failure = PictureFailure::NoDecoder;
            outcome.kind = kind;
            break;
    }
    return outcome;
}

// How the picture is written in `kind`: in its own kind as faithfully as it came (a lossless
// WebP stays lossless, a TIFF keeps its compression), in another at the quality.
EncodeSettings OutputSettings(ImageKind kind, const PictureFacts& source, int quality) {
    if (kind == source.kind) return SameKindSettings(source, quality);
    EncodeSettings settings;
    settings.kind = kind;
    settings.quality = quality;
    return settings;
}

}  // namespace

ImageKind OutputKindOf(OutputFormat format, ImageKind source) {
    if (format != OutputFormat::Original) return ChoiceOf(format).kind;
    return ImageKindEncodable(source) ? source : kJpegImage;
}

std::int64_t ReadResizeSource(const ResizerSettings& settings, const PicturePlan& plan,
                              ImageCodec& codec, ResizeSource& source) {
    source = ResizeSource{};
    if (plan.output.empty()) return 0;
    // Writing over the picture that is read (the output is the source's own entry) replaces the
    // file its path leads to, so that a picture kept behind a link stays there. The link is
    // resolved once, here, before the read: the file read is the file replaced, and the save is
    // refused when the path no longer leads to it (a link re-pointed, the file swapped meanwhile)
    // rather than replace another photograph.
    if (plan.output_is_source && !FindFileToReplace(plan.source, source.original)) {
        source.failure = PictureFailure::Unreadable;  // nothing to read there (any more)
        return 0;
    }
    const std::string& read = plan.output_is_source ? source.original.path : plan.source;
    TakeOutOfMemoryNote();
    source.bytes = codec.ReadPicture(read);
    if (!source.bytes) {
        source.failure =
            TakeOutOfMemoryNote() ? PictureFailure::NoMemory : PictureFailure::Unreadable;
        return 0;
    }
    const std::string_view bytes = source.bytes->View();
    source.facts = ProbePicture(bytes);
    const PictureFacts& facts = source.facts;
    // What the decoder holds beside the pixels: the file, a progressive JPEG's coefficients.
    const std::int64_t work = ImgKitDecodeWorkBytesOf(bytes);
    if (facts.refusal != PictureRefusal::kNone || facts.kind != plan.kind) return work;
    const ImgKitSize minimum = LoadMinimum(settings, facts.upright, plan.turns);
    const std::int64_t decoded = PictureDecodeBytes(facts, minimum.width, minimum.height);
    const ImgKitSize turned =
        plan.turns % 2 ? ImgKitSize{facts.upright.height, facts.upright.width} : facts.upright;
    const ImgKitSize target = ComputeTargetSize(settings, turned.width, turned.height);
    const std::int64_t pixel_bytes = facts.deep ? 2 * kBytesPerPixel : kBytesPerPixel;
    const std::int64_t resized = target.width > 0 && target.height > 0
                                     ? std::int64_t{target.width} * target.height * pixel_bytes
                                     : 0;
    // A turned picture is held twice while it turns (the old pixels and the new).
    return std::max(work + decoded, plan.turns != 0 ? 2 * decoded : decoded) + resized;
}

PictureOutcome ResizePlannedPicture(const ResizerSettings& settings, const PicturePlan& plan,
                                    ImageCodec& codec, ResizeSource& source) {
    // A kind the batch does not convert: passed over, nothing done, nothing reported.
    if (plan.output.empty()) return {};
    PictureOutcome outcome;
    if (!source.bytes) {
        outcome.failure = source.failure;
        return outcome;
    }
    const std::string_view bytes = source.bytes->View();
    const PictureFacts& facts = source.facts;
    // The name promises one kind and the content is another (a HEIC saved as .jpg): its output
    // would carry the wrong extension or the wrong kind, so it is refused, saying what it is.
    if (facts.kind != kNotPicture && facts.kind != plan.kind) {
        outcome.failure = PictureFailure::KindMismatch;
        outcome.kind = facts.kind;
        return outcome;
    }
    if (facts.refusal != PictureRefusal::kNone) return RefusedOutcome(facts.refusal, plan.kind);
    const ImageKind output_kind = ImageKindOfName(plan.output);
    if (!ImageKindEncodable(output_kind)) {
        outcome.failure = PictureFailure::NoEncoder;
        outcome.kind = output_kind;
        return outcome;
    }

    const ImgKitSize minimum = LoadMinimum(settings, facts.upright, plan.turns);
    // An empty, damaged or foreign file, or a picture too large for the memory left, gives none.
    DecodedPicture decoded = codec.Decode(bytes, minimum.width, minimum.height);
    if (!decoded.image) return RefusedOutcome(decoded.refusal, plan.kind);
    ImageHandle& image = decoded.image;
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

    // The copy carries the source's date taken, camera and colour profile in its own kind's way;
    // one saved without its XMP is made, and listed for what it lacks.
    bool xmp_too_large = false;
    EncodeSettings output = OutputSettings(output_kind, facts, settings.jpegQuality);
    output.without_location = plan.location == LocationRule::Remove;
    const std::optional<std::string> encoded = codec.Encode(picture, output, bytes, &xmp_too_large);
    source.bytes.reset();
    if (!encoded) {
        outcome.failure = PictureFailure::SaveFailed;
        return outcome;
    }
    // Any other output than the source is replaced as an entry: a link or a hard link standing in
    // the output folder is never written through, so the original it shares a file with is left
    // alone. The save goes through a temporary file, so a failed save never destroys the original.
    // Under location removal the file is read back first, and one that would still tell where
    // the picture was taken is not written.
    std::optional<std::string> published =
        ImageCodec::Publishable(output_kind, *encoded, plan.location);
    if (!published) {
        outcome.failure = PictureFailure::LocationLeft;
        return outcome;
    }
    ReplaceFailure failure;
    const bool saved =
        plan.output_is_source
            ? codec.WriteFile(source.original.path, *published, &source.original, &failure)
            : codec.WriteFile(plan.output, *published, nullptr, &failure);
    outcome.failure = SaveFailureOf(saved, failure, xmp_too_large);
    outcome.output_written = saved;
    return outcome;
}

PictureOutcome ResizePlannedPicture(const ResizerSettings& settings, const PicturePlan& plan,
                                    ImageCodec& codec) {
    ResizeSource source;
    ReadResizeSource(settings, plan, codec, source);
    return ResizePlannedPicture(settings, plan, codec, source);
}

namespace {

// "IMG_1.heic" -> "IMG_1" (a name without a dot, or only a leading one, stays whole).
std::string Stem(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

// The checked pictures in list order with their paths and turns, read from the list on the
// calling thread. `base` ends in a separator. A picture keeps its name when its kind stays; one
// whose format changes gets its stem with the new kind's extension ("a.png" -> "a.jpg"), and that
// name never replaces a file: a name taken (compared without letter case, as FAT, NTFS and macOS
// compare) by an entry of the folder or by another picture of the batch becomes "a~2.jpg",
// "a~3.jpg", ... in list order, and `renamed` marks the pictures that got such a name.
// `over_source` tells whether `base` is the source folder.
std::vector<PicturePlan> PlanResizes(const ResizerSettings& settings,
                                     const PictureSelection& pictures, const std::string& base,
                                     std::vector<char>& renamed, bool& over_source) {
    // The source folder normally ends in a separator already; one is added only when missing.
    std::string source_folder = settings.sourceFolder;
    if (!source_folder.empty()) EnsureTrailingSeparator(source_folder);
    // Source and output share the name, so the output is the source's own entry exactly
    // when the folders are one (asked once: a folder of 20,000 pictures is planned at once).
    over_source = IsSameFolder(source_folder.empty() ? "." : source_folder, base);
    std::vector<PicturePlan> plans;
    std::vector<std::string> derived;  // per plan: the name its new format gives it, or empty
    std::set<std::string> taken;       // lower-case names no new file may take
    for (int line = pictures.FirstChecked(); line != -1; line = pictures.NextChecked(line)) {
        PicturePlan plan;
        plan.line = line;
        plan.name = pictures.ItemText(line);
        plan.source = source_folder + plan.name;
        plan.kind = ImageKindOfName(plan.source);
        plan.location = settings.stripLocation ? LocationRule::Remove : LocationRule::Keep;
        plan.turns = ((pictures.GetQuarterTurns(line) % 4) + 4) % 4;
        std::string new_name;
        // A kind that is never decoded (GIF), or no picture at all, is passed over and touches
        // nothing.
        if (const ImageKindInfo* info = FindImageKind(plan.kind); info && info->decoded) {
            const ImageKind output_kind = OutputKindOf(settings.outputFormat, plan.kind);
            if (output_kind == plan.kind) {
                plan.output = base + plan.name;
                plan.output_is_source = over_source;
                plan.writes_over_source = over_source;
                taken.insert(LowerAscii(plan.name));
            } else {
                new_name = Stem(plan.name) + std::string(FindImageKind(output_kind)->extensions[0]);
            }
        }
        derived.push_back(std::move(new_name));
        plans.push_back(std::move(plan));
    }
    renamed.assign(plans.size(), 0);
    if (std::all_of(derived.begin(), derived.end(), [](const auto& name) { return name.empty(); }))
        return plans;
    // Every entry of the folder, picture or not: a new name never replaces any of them.
    for (const DirEntry& entry : ListDirectory(base)) taken.insert(LowerAscii(entry.name));
    for (std::size_t i = 0; i < plans.size(); ++i) {
        if (derived[i].empty()) continue;
        const std::size_t dot = derived[i].rfind('.');
        std::string name = derived[i];
        for (int n = 2; taken.count(LowerAscii(name)) != 0; ++n)
            name = derived[i].substr(0, dot) + "~" + std::to_string(n) + derived[i].substr(dot);
        taken.insert(LowerAscii(name));
        renamed[i] = name != derived[i] ? 1 : 0;
        plans[i].output = base + name;
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
    std::vector<char> renamed;
    bool over_source = false;
    job.pictures = PlanResizes(settings, context.pictures, base, renamed, over_source);
    job.work_done = PictureWork::Resize;
    const std::vector<PicturePlan>& plans = job.pictures;
    // Each picture's file, read once by its estimate and used by its work.
    std::vector<ResizeSource> sources(plans.size());
    // Set on a worker once its picture's resized picture is saved: a picture listed only for what
    // it could not keep has nothing to fall back to.
    std::vector<char> written(plans.size(), 0);
    ImageCodec& codec = context.codec;

    job.estimate = [&](int i) { return ReadResizeSource(settings, plans[i], codec, sources[i]); };
    job.work = [&](int i, int same_file) -> PictureOutcome {
        // A later name of a file already resized under its first name: resizing it again would
        // shrink the file twice.
        if (same_file >= 0) {
            sources[i] = ResizeSource{};
            return SameFileOutcome(plans[same_file].source, plans[i].source);
        }
        PictureOutcome resized = ResizePlannedPicture(settings, plans[i], codec, sources[i]);
        sources[i] = ResizeSource{};
        written[i] = resized.output_written ? 1 : 0;
        // Saved whole under a name of its own: said, so that the user finds it.
        if (renamed[i] && resized.output_written) {
            resized.failure = PictureFailure::SavedAsOtherName;
            resized.saved_as = plans[i].output.substr(base.size());
        }
        return resized;
    };
    job.after_failure = [&](int i) {
        sources[i] = ResizeSource{};  // a picture never started had its file read all the same
        // The user still gets every picture in the output folder, under its own name; a failing
        // copy is not reported, as the failure itself already is. Nothing is copied among the
        // originals, nor over a picture that was made (one listed for what it could not keep). A
        // copy that would tell where the picture was taken, when that is not to be told, is not
        // made either.
        if (!over_source && !plans[i].output.empty() && !written[i])
            codec.CopyPicture(plans[i].source, base + plans[i].name, plans[i].kind,
                              plans[i].location);
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
