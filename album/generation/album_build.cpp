#include "album/generation/album_build.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ctime>
#include <new>
#include <optional>
#include <span>

#include "album/generation/album_pipeline.h"
#include "album/generation/html_helpers.h"
#include "album/generation/index_page_writer.h"
#include "album/generation/page_file.h"
#include "album/generation/page_picture.h"
#include "album/generation/slide_show_page_writer.h"
#include "core/mul_div.h"
#include "core/path_helpers.h"
#include "core/picture_job.h"
#include "imaging/picture_facts.h"
#include "platform/file_system.h"
#include "platform/picture_selection.h"
#include "platform/progress_sink.h"
#include "platform/shell_opener.h"
#include "platform/user_dialogs.h"

namespace {

// Saves the turned picture as the plan's copy: the losslessly turned file when there is one
// (`turned_xmp_too_large` is what its making said), else the turned pixels re-encoded at quality
// 100 (a JPEG keeping the source's metadata). When the copy is the picture's own entry (the album
// lies in the picture folder), `original` is the file that was read, which is replaced only while
// it is still in place (else FileChanged). Any other copy is replaced as an entry: a link or hard
// link to the original standing in the album is never written through. The save goes through a
// temporary file either way, so a failed save (SaveFailed) never harms the original.
PictureFailure SaveTurnedCopy(ImageCodec& codec, const PicturePlan& plan,
                              const FileToReplace& original, const ImageHandle& image,
                              const std::optional<std::string>& turned_file,
                              bool turned_xmp_too_large) {
    if (plan.output_is_source) {
        if (turned_file)
            return codec.SaveFile(original.path, *turned_file, &original, turned_xmp_too_large,
                                  plan.kind, plan.location);
        return codec.SavePictureOver(original, image, plan.kind, 100, plan.location);
    }
    if (turned_file)
        return codec.SaveFile(plan.output, *turned_file, nullptr, turned_xmp_too_large, plan.kind,
                              plan.location);
    return codec.SavePictureOf(plan.source, plan.output, image, plan.kind, 100, plan.location);
}

// The picture put into the album as it is, after `failure` (why it is not made otherwise, or
// None): CopyFailed instead when the copy was needed and failed, LocationLeft when it was to tell
// nothing of where it was taken and cannot be made so. Only the source's own entry needs no copy;
// a link to it elsewhere is replaced by the copy.
PictureOutcome CopiedAsItIs(const PicturePlan& plan, PictureFailure failure, ImageCodec& codec) {
    PictureOutcome outcome;
    const PictureFailure copied =
        plan.output_is_source
            ? PictureFailure::None
            : codec.CopyPicture(plan.source, plan.output, plan.kind, plan.location);
    outcome.output_written = copied == PictureFailure::None && !plan.output_is_source;
    outcome.failure = copied == PictureFailure::None ? failure : copied;
    return outcome;
}

// Pixels are held as 32-bit RGB.
constexpr std::int64_t kBytesPerPixel = 4;

}  // namespace

ImgKitSize FitThumbnail(int box_width, int box_height, int width, int height) {
    // A box below 1 pixel can only come from an unchecked profile; it counts as 1.
    const int bw = std::max(1, box_width);
    const int bh = std::max(1, box_height);
    if (width <= 0 || height <= 0) return {bw, bh};
    // The test is strict: a square picture in a square box takes the second branch and gets
    // exactly the box. Example: box 100 x 60, 300 x 200 gives a = 67, not below 60, so 90 x 60.
    const int a = MulDiv(bw, height, width);
    if (a < bh) return {bw, std::max(1, a)};
    return {std::max(1, MulDiv(bh, width, height)), bh};
}

int AlbumPageCount(const AlbumSettings& settings, int checked_count) {
    if (settings.html_page == 0) return 1;
    const int per = std::max(1, settings.thumbnail_rows) * std::max(1, settings.thumbnail_cols);
    const int pages = checked_count / per + (checked_count % per != 0 ? 1 : 0);
    return std::max(1, pages);
}

std::vector<PicturePlan> PlanAlbumPictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures) {
    const std::string base = AlbumOutputFolder(settings);
    std::string folder = ExpandHome(settings.picture_path);
    // The picture page always leaves a separator at the end; a profile may not.
    if (!folder.empty() && folder.back() != '/' && folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    // Source and copy share the name, so the copy is the source's own entry exactly when the
    // folders are one (asked once: a folder of 20,000 pictures is planned at once).
    const std::string copy_folder = base + MakeAlbumPath(settings, kPictureFolderKind, "", false);
    const bool over_source =
        IsSameFolder(folder.empty() ? "." : folder, copy_folder.empty() ? "." : copy_folder);
    std::vector<PicturePlan> plans;
    for (int i = pictures.FirstChecked(); i != -1; i = pictures.NextChecked(i)) {
        PicturePlan plan;
        plan.line = i;
        plan.name = pictures.ItemText(i);
        plan.source = folder + plan.name;
        plan.output = base + MakeAlbumPath(settings, kPictureFolderKind, plan.name, false);
        plan.thumbnail = base + MakeAlbumPath(settings, kThumbnailFolderKind, plan.name, false);
        plan.kind = ImageKindOfName(plan.source);
        plan.turns = pictures.GetQuarterTurns(i) % 4;
        plan.output_is_source = over_source;
        plan.location = settings.strip_location != 0 ? LocationRule::Remove : LocationRule::Keep;
        plan.writes_over_source =
            over_source && plan.turns > 0 && (plan.kind == kJpegImage || plan.kind == kBmpImage);
        plans.push_back(std::move(plan));
    }
    return plans;
}

namespace {

// The one load of a JPEG or BMP picture: turned copy (or the file itself when unturned), then the
// thumbnail from the turned picture. A picture that cannot be loaded is put into the album
// unturned, as it is, without a thumbnail. Memory that runs out before the copy is in place goes
// up as std::bad_alloc, with nothing written; once the copy is in place, it costs the thumbnail
// alone.
PictureOutcome MakeLoadedPictureFiles(const PicturePlan& plan, int box_width, int box_height,
                                      ImageCodec& codec, ImgKitSize upright) {
    const int turns = plan.turns;
    // A turn saved over the picture itself replaces the file its path leads to, so that a picture
    // kept behind a link stays where the link points. The link is resolved once, here, before the
    // read: the file read is the file replaced, and nothing is written when the path no longer
    // leads to it at the save (a link re-pointed, the file swapped meanwhile).
    FileToReplace original;
    const bool over_source = plan.output_is_source && turns > 0;
    // Nothing to read there (any more): as a picture that cannot be read.
    if (over_source && !FindFileToReplace(plan.source, original))
        return CopiedAsItIs(plan, PictureFailure::Unreadable, codec);
    const std::string& read = over_source ? original.path : plan.source;
    // A JPEG whose turn its blocks allow is turned on the compressed data: no pixel changes and the
    // copy keeps about its size, where a re-encode at quality 100 doubles it or more.
    std::optional<std::string> turned_file;
    bool turned_xmp_too_large = false;
    if (turns > 0 && plan.kind == kJpegImage)
        turned_file = codec.TurnLosslessly(read, turns, &turned_xmp_too_large);

    // When the copy needs no pixels (copied as a file, or turned on its blocks), the one load only
    // feeds the thumbnail and may be decoded at a reduced scale when the picture is at least twice
    // the box (never below the thumbnail it makes). A re-encoded copy needs every pixel.
    int min_width = 0;
    int min_height = 0;
    if (turns <= 0 || turned_file) {
        if (upright.width <= 0 || upright.height <= 0) upright = codec.UprightSize(read);
        const bool sideways = turns > 0 && turns % 2 == 1;
        const ImgKitSize shown = sideways ? ImgKitSize{upright.height, upright.width} : upright;
        if (shown.width > 0 && shown.height > 0) {
            const ImgKitSize fit = FitThumbnail(box_width, box_height, shown.width, shown.height);
            const int bw = std::max(1, box_width);
            const int bh = std::max(1, box_height);
            if (shown.width >= 2 * bw && shown.height >= 2 * bh) {
                // The load's minimum is in the axes of the picture before its turns.
                min_width = sideways ? fit.height : fit.width;
                min_height = sideways ? fit.width : fit.height;
            }
        }
    }

    LoadedPicture loaded = codec.LoadPicture(read, min_width, min_height);
    if (!loaded.image) return CopiedAsItIs(plan, loaded.failure, codec);
    ImageHandle& image = loaded.image;
    for (int turn = 0; turn < turns; ++turn) codec.Rotate(image);

    PictureOutcome outcome;
    if (turns <= 0) {
        outcome = CopiedAsItIs(plan, PictureFailure::None, codec);
    } else {
        const PictureFailure saved =
            SaveTurnedCopy(codec, plan, original, image, turned_file, turned_xmp_too_large);
        if (saved == PictureFailure::FileChanged) {
            // The name now shows another picture: a thumbnail of the one read would not match it.
            outcome.failure = saved;
            return outcome;
        }
        if (saved == PictureFailure::SaveFailed) {
            outcome = CopiedAsItIs(plan, PictureFailure::TurnedSaveFailed, codec);
        } else if (saved == PictureFailure::LocationLeft) {
            // Nothing that tells where it was taken goes into the album, not even unturned.
            outcome.failure = saved;
        } else {
            outcome.output_written = true;
            outcome.failure = saved;  // None, or XmpLeftOut
        }
    }
    turned_file.reset();

    PictureFailure thumbnail = PictureFailure::None;
    try {
        const ImgKitSize size = codec.Size(image);
        const ImgKitSize fit = FitThumbnail(box_width, box_height, size.width, size.height);
        ImageHandle small = codec.Resize(image, fit.width, fit.height);
        // The turned picture is not needed any more: release it before the thumbnail is encoded.
        ImgKitMemFree(image);
        outcome.thumbnail_written =
            small && codec.SavePicture(plan.thumbnail, small, plan.kind, 100, plan.location);
        if (!outcome.thumbnail_written) thumbnail = PictureFailure::ThumbnailFailed;
    } catch (const std::bad_alloc&) {
        thumbnail = PictureFailure::NoMemory;
    } catch (...) {
        // Nothing of what was done above may be lost to the caller (a copy turned over its
        // source must have its turn cleared): the thumbnail alone fails.
        thumbnail = PictureFailure::ThumbnailFailed;
    }
    // One reason per picture, the one that costs the album most: the copy's failure before the
    // thumbnail's, and either before a copy saved without its XMP.
    if (outcome.failure == PictureFailure::None || outcome.failure == PictureFailure::XmpLeftOut) {
        if (thumbnail != PictureFailure::None) outcome.failure = thumbnail;
    }
    return outcome;
}

}  // namespace

std::int64_t AlbumPictureBytes(const PicturePlan& plan, int box_width, int box_height,
                               ImageCodec& codec, ImgKitSize& upright) {
    upright = {};
    if (plan.kind != kJpegImage && plan.kind != kBmpImage) return 0;
    upright = codec.UprightSize(plan.source);
    if (upright.width <= 0 || upright.height <= 0) return 0;
    const std::int64_t full =
        static_cast<std::int64_t>(upright.width) * upright.height * kBytesPerPixel;
    // What the decoder holds beside the pixels: the file, a progressive picture's coefficients.
    const std::int64_t work = ImgKitDecodeWorkBytes(plan.source);
    // A turned picture is held twice while it turns (the old pixels and the new).
    if (plan.turns > 0) return std::max(work + full, 2 * full);
    const ImgKitSize fit = FitThumbnail(box_width, box_height, upright.width, upright.height);
    const bool reduced = upright.width >= 2 * std::max(1, box_width) &&
                         upright.height >= 2 * std::max(1, box_height);
    const std::int64_t decoded =
        ImgKitDecodedPixels(upright, plan.kind == kJpegImage, reduced ? fit.width : 0,
                            reduced ? fit.height : 0) *
        kBytesPerPixel;
    return work + decoded + static_cast<std::int64_t>(fit.width) * fit.height * kBytesPerPixel;
}

PictureOutcome MakeAlbumPicture(const PicturePlan& plan, int box_width, int box_height,
                                ImageCodec& codec, ImgKitSize upright) {
    if (plan.kind == kJpegImage || plan.kind == kBmpImage)
        return MakeLoadedPictureFiles(plan, box_width, box_height, codec, upright);
    // A GIF is copied as it is, without a thumbnail: the page shows the picture itself.
    return CopiedAsItIs(plan, PictureFailure::None, codec);
}

AlbumFilesOutcome PrepareAlbumFiles(const AlbumBuildContext& context) {
    const AlbumSettings& s = context.settings;
    ProgressSink& progress = context.progress;
    UserDialogs& dialogs = context.dialogs;
    AlbumFilesOutcome result;

    progress.SetMessage("フォルダの準備をしています...");
    progress.SetRange(7);
    progress.SetPos(0);
    const std::string base = AlbumOutputFolder(s);
    progress.SetPos(1);

    progress.SetMessage("具材をコピーしています...");
    std::string material = base + s.material_folder;
    result.folders_made = false;
    if (!EnsureFolder(material, false, dialogs)) return result;
    progress.SetPos(2);
    EnsureTrailingSeparator(material);
    // A material the pages name but the album lacks (gone from its folder, a full disk) is listed
    // with the pictures that failed: the album would otherwise show without it and say nothing.
    auto copy_material = [&](const std::string& folder, const std::string& name) {
        const std::string m = MaterialFileName(name);
        if (m.empty() || CopyFileReplacing(folder + m, material + m)) return;
        ++result.materials_failed;
        result.failures +=
            folder + m + " (ｴﾗｰ)" + PictureFailureText(PictureFailure::CopyFailed) + "\n";
    };
    copy_material(context.materials.wallpaper, s.name_bg);
    progress.SetPos(3);
    copy_material(context.materials.rule, s.name_hr);
    progress.SetPos(4);
    copy_material(context.materials.sound, s.name_bgm);
    progress.SetPos(5);

    if (s.html_only != 0) {
        result.folders_made = true;
        return result;
    }
    if (s.out_sorce == 0 && !EnsureFolder(base + s.pic_folder, false, dialogs)) return result;
    progress.SetPos(6);
    if (!EnsureFolder(base + s.thumb_folder, false, dialogs)) return result;
    result.folders_made = true;
    progress.SetPos(7);

    progress.SetMessage("サムネイルを作成しています...");
    progress.SetRange(std::max(1, context.pictures.CheckedCount()));
    progress.SetPos(0);

    // The list is read here, on the calling thread; the workers get plain data only.
    PictureJob job;
    job.pictures = PlanAlbumPictures(s, context.pictures);
    job.work_done = PictureWork::Turn;
    const std::vector<PicturePlan>& plans = job.pictures;
    const int box_width = s.thumbnail_x;
    const int box_height = s.thumbnail_y;
    std::vector<ImgKitSize> uprights(plans.size());
    // Set on a worker once a picture's work has put its copy in place, or met the reason it could
    // not: its fallback then has nothing to add.
    std::vector<char> copy_dealt_with(plans.size(), 0);
    ImageCodec& codec = context.codec;

    job.estimate = [&](int i) {
        return AlbumPictureBytes(plans[i], box_width, box_height, codec, uprights[i]);
    };
    job.work = [&](int i, int same_file) -> PictureOutcome {
        if (same_file < 0) {
            PictureOutcome made =
                MakeAlbumPicture(plans[i], box_width, box_height, codec, uprights[i]);
            copy_dealt_with[i] = 1;
            return made;
        }
        // A later name of a picture its first name has turned over its source: turning it again
        // would turn the one file twice. The page still shows this name, so it gets the thumbnail
        // of the file as it now stands.
        PicturePlan as_it_stands = plans[i];
        as_it_stands.turns = 0;
        const PictureOutcome made =
            MakeAlbumPicture(as_it_stands, box_width, box_height, codec, uprights[i]);
        copy_dealt_with[i] = 1;
        if (made.Failed()) return made;
        PictureOutcome same = SameFileOutcome(plans[same_file].source, plans[i].source);
        same.output_written = made.output_written;
        same.thumbnail_written = made.thumbnail_written;
        return same;
    };
    job.after_failure = [&](int i) {
        // A picture whose work ended before its copy was made (memory ran out, or it was too
        // large to start) is still put into the album as it is, as one that cannot be loaded.
        if (!copy_dealt_with[i]) CopiedAsItIs(plans[i], PictureFailure::None, codec);
    };
    // Room for every line, made before the first picture: taking one in never needs memory.
    result.saved_over_source.reserve(plans.size());
    result.thumbnails_written.reserve(plans.size());
    job.commit = [&](int i, const PictureOutcome& outcome) {
        // A turned picture saved over its own source file has spent its recorded turns.
        if (outcome.output_written && plans[i].writes_over_source)
            result.saved_over_source.push_back(plans[i].line);
        result.thumbnails_written.push_back(outcome.thumbnail_written);
    };
    const PictureJobRun run = RunPictureJob(job, progress, OrderedPool::Limits{context.workers, 0});
    result.pictures_made = run.handled;
    result.pictures_failed = run.failed;
    result.failures += run.failures;
    result.broke_down = run.broke_down != nullptr;
    result.stopped = !result.broke_down && run.handled < static_cast<int>(plans.size());
    return result;
}

std::string AlbumPagesLine(int handled, int page_count) {
    return std::to_string(page_count) + " ページ中 " + std::to_string(handled) +
           " ページのHTMLファイルを処理しました。";
}

namespace {

// The offset from UTC of this computer's time zone at a wall-clock time (seconds from the epoch
// as if it were UTC), in minutes: a camera that records no offset is taken to be set to the
// time of the place its pictures are put into albums.
int LocalOffsetMinutes(std::int64_t wall_seconds) {
    const auto days = wall_seconds >= 0 ? wall_seconds / 86400 : (wall_seconds - 86399) / 86400;
    std::tm wall{};
    // Back from days to a date (the inverse of the civil-days rule).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2);
    const std::int64_t in_day = wall_seconds - days * 86400;
    wall.tm_year = static_cast<int>(year - 1900);
    wall.tm_mon = static_cast<int>(month - 1);
    wall.tm_mday = static_cast<int>(day);
    wall.tm_hour = static_cast<int>(in_day / 3600);
    wall.tm_min = static_cast<int>(in_day / 60 % 60);
    wall.tm_sec = static_cast<int>(in_day % 60);
    wall.tm_isdst = -1;
    const std::time_t utc = std::mktime(&wall);
    if (utc == static_cast<std::time_t>(-1)) return 0;
    return static_cast<int>((wall_seconds - static_cast<std::int64_t>(utc)) / 60);
}

// File names compared as the picture list sorts them (case ignored), then byte for byte.
bool NameBefore(const std::string& a, const std::string& b) {
    const auto lower = [](unsigned char c) { return std::tolower(c); };
    const bool less =
        std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                     [&](char x, char y) { return lower(x) < lower(y); });
    const bool greater =
        std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(),
                                     [&](char x, char y) { return lower(x) < lower(y); });
    return less || (!greater && a < b);
}

}  // namespace

void OrderByCaptureTime(std::vector<PagePicture>& shown,
                        const std::vector<std::optional<CaptureTime>>& taken) {
    struct Keyed {
        PagePicture picture;
        std::optional<std::int64_t> when;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        std::optional<std::int64_t> when;
        if (i < taken.size() && taken[i]) {
            const CaptureTime& t = *taken[i];
            when = t.UtcMilliseconds(t.offset_minutes ? 0 : LocalOffsetMinutes(t.wall_seconds));
        }
        keyed.push_back({std::move(shown[i]), when});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        if (a.when.has_value() != b.when.has_value()) return a.when.has_value();
        if (a.when && *a.when != *b.when) return *a.when < *b.when;
        return NameBefore(a.picture.caption, b.picture.caption);
    });
    for (std::size_t i = 0; i < keyed.size(); ++i) shown[i] = std::move(keyed[i].picture);
}

std::vector<PagePicture> AlbumPagePictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures,
                                           const std::vector<bool>& thumbnails_written,
                                           ProgressSink* progress) {
    std::vector<PagePicture> shown;
    std::vector<std::optional<CaptureTime>> taken;
    const bool read_facts = settings.read_captions != 0 || settings.date_order != 0;
    std::string folder = ExpandHome(settings.picture_path);
    if (!folder.empty() && folder.back() != '/' && folder.back() != kPathSeparator)
        folder += kPathSeparator;
    std::size_t k = 0;
    for (int line = pictures.FirstChecked(); line != -1; line = pictures.NextChecked(line), ++k) {
        const std::string name = pictures.ItemText(line);
        const bool thumbnail =
            k < thumbnails_written.size() ? thumbnails_written[k] : ThumbnailExists(settings, name);
        std::string comment = pictures.GetComment(line);
        if (read_facts) {
            const PictureFacts facts = ReadPictureFacts(folder + name);
            // Only a comment box left empty takes the picture's own caption.
            if (settings.read_captions != 0 && comment.empty()) comment = facts.caption;
            taken.push_back(facts.taken);
            // The metadata of a large folder takes a while: the window keeps drawing.
            if (progress != nullptr && k % 32 == 31) progress->Idle();
        }
        shown.push_back(PagePictureOf(settings, name, comment, thumbnail));
    }
    if (settings.date_order != 0) OrderByCaptureTime(shown, taken);
    return shown;
}

AlbumPagesOutcome WriteAlbumPages(const AlbumBuildContext& context,
                                  const std::vector<PagePicture>& pictures) {
    const AlbumSettings& s = context.settings;
    ProgressSink& progress = context.progress;
    AlbumPagesOutcome outcome;
    outcome.page_count = AlbumPageCount(s, static_cast<int>(pictures.size()));
    progress.SetMessage("HTMLを作成しています...");
    progress.SetRange(outcome.page_count);
    const std::span<const PagePicture> all(pictures);
    const std::int64_t per_page = PicturesPerPage(s);
    std::size_t first = 0;
    for (int page = 1; page <= outcome.page_count; ++page) {
        // A stop starts no new page, as it starts no new picture; a page and its slide show are
        // written together.
        if (progress.StopRequested()) {
            outcome.stopped = true;
            return outcome;
        }
        const std::span<const PagePicture> shown = all.subspan(
            first, static_cast<std::size_t>(std::min<std::int64_t>(all.size() - first, per_page)));
        const PageWriteStatus status =
            WritePageFile(IndexPageFileName(s, page, outcome.page_count),
                          RenderIndexPage(s, shown, page, outcome.page_count));
        if (status.result != PageWriteResult::Written) {
            ++outcome.pages_failed;
            outcome.messages.push_back(status.message);
        }
        if (status.result == PageWriteResult::WriteFailed) {
            outcome.completed = false;
            return outcome;
        }
        if (s.slide_mode != 0) {
            const PageWriteStatus slide = WritePageFile(
                SlideShowPageFileName(s, page, outcome.page_count), RenderSlideShowPage(s, shown));
            if (slide.result != PageWriteResult::Written) {
                ++outcome.pages_failed;
                outcome.messages.push_back(slide.message);
            }
        }
        outcome.pages_handled = page;
        progress.SetPos(page);
        // The window draws itself and takes its stop button between the pages.
        progress.Idle();
        // A page that could not be written hands on the next page's first picture all the same.
        first += shown.size();
    }
    return outcome;
}

bool BuildAlbum(const AlbumBuildContext& context, AlbumBuildReport& report) {
    report = {};
    const int checked = context.pictures.CheckedCount();
    if (checked == 0) {
        context.dialogs.ShowMessage(
            "画像ﾌｧｲﾙが選択されていません。\n「ピクチャー」タグをクリックして選択してください。",
            std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    context.progress.Open();
    AlbumFilesOutcome files = PrepareAlbumFiles(context);
    report.folders_made = files.folders_made;
    report.pictures_failed = files.pictures_failed;
    report.materials_failed = files.materials_failed;
    report.saved_over_source = std::move(files.saved_over_source);
    // A stop that came after the last picture still keeps the pages from being written: the
    // user asked for the album not to be finished.
    report.broke_down = files.broke_down;
    const bool stopped_before_pages =
        !report.broke_down && (files.stopped || context.progress.StopRequested());
    AlbumPagesOutcome pages;
    if (!stopped_before_pages && !report.broke_down) {
        pages = WriteAlbumPages(
            context, AlbumPagePictures(context.settings, context.pictures, files.thumbnails_written,
                                       &context.progress));
        report.pages_failed = pages.pages_failed;
    }
    // A stop that came with the last page is taken as well: whoever asked for it is told that the
    // build ended by it, never offered the album.
    report.stopped = stopped_before_pages || pages.stopped ||
                     (pages.completed && context.progress.StopRequested());
    context.progress.Close();
    report.pages_written =
        !report.stopped && !report.broke_down && pages.completed && report.pages_failed == 0;

    // Every message of the build is shown here, in the order the steps met them: the pages that
    // failed, then the pictures and materials, then the question. A page failure that many pages
    // share (a folder that cannot be written) is said once.
    auto show = [&context](const std::string& text) {
        context.dialogs.ShowMessage(text, std::nullopt, MessageIcon::Exclamation,
                                    MessageButtons::Ok);
    };
    std::vector<std::string> shown;
    for (const std::string& message : pages.messages) {
        if (std::find(shown.begin(), shown.end(), message) != shown.end()) continue;
        shown.push_back(message);
        show(message);
    }
    if (report.broke_down) {
        show(std::string(kAlbumBrokeDown) + "\n" +
             ProcessedCountLine(files.pictures_made, checked) +
             (files.failures.empty() ? "" : "\n\n" + files.failures));
        return false;
    }
    if (report.stopped) {
        // Every picture was made once the pages have begun: the message then counts the pages.
        const char* in_pages =
            pages.pages_handled < pages.page_count ? kAlbumStoppedInPages : kAlbumStoppedAfterPages;
        const std::string text = stopped_before_pages
                                     ? std::string(kAlbumStopped) + "\n" +
                                           ProcessedCountLine(files.pictures_made, checked)
                                     : std::string(in_pages) + "\n" +
                                           AlbumPagesLine(pages.pages_handled, pages.page_count);
        show(text + (files.failures.empty() ? "" : "\n\n" + files.failures));
        return false;
    }
    if (!files.failures.empty()) show(files.failures);
    // Only a complete set of pages is offered: after a page that failed the first page may be
    // missing or link to one that is.
    if (report.pages_written) {
        MessageAnswer answer = context.dialogs.ShowMessage(
            "今すぐブラウザで見ますか？", std::string(), MessageIcon::None, MessageButtons::YesNo);
        if (answer == MessageAnswer::Yes) {
            context.shell.OpenWithShell(AlbumOutputFolder(context.settings) +
                                        context.settings.html_name + ".html");
        }
    }
    return report.pages_written;
}

bool BuildAlbum(const AlbumBuildContext& context) {
    AlbumBuildReport report;
    return BuildAlbum(context, report);
}
