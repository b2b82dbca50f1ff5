#include "album/generation/album_build.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <new>
#include <optional>
#include <span>
#include <string_view>

#include "album/generation/album_names.h"
#include "album/generation/album_pipeline.h"
#include "album/generation/album_record.h"
#include "album/generation/capture_order.h"
#include "album/generation/html_helpers.h"
#include "album/generation/index_page_writer.h"
#include "album/generation/modern_page_writer.h"
#include "album/generation/modern_style_sheet.h"
#include "album/generation/page_file.h"
#include "album/generation/page_picture.h"
#include "album/generation/slide_show_page_writer.h"
#include "core/mul_div.h"
#include "core/path_helpers.h"
#include "core/picture_job.h"
#include "imaging/exif_orientation.h"
#include "imaging/jpeg_metadata.h"
#include "imaging/picture_facts.h"
#include "imaging/picture_metadata.h"
#include "imaging/pixel_buffer.h"
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
// `file` is the source's bytes when already read (never for the picture's own entry).
PictureFailure SaveTurnedCopy(ImageCodec& codec, const PicturePlan& plan,
                              const FileToReplace& original, const ImageHandle& image,
                              const std::optional<std::string>& turned_file,
                              bool turned_xmp_too_large, const std::optional<PictureBytes>& file) {
    if (plan.output_is_source) {
        if (turned_file)
            return codec.SaveFile(original.path, *turned_file, &original, turned_xmp_too_large,
                                  plan.kind, plan.location);
        return codec.SavePictureOver(original, image, plan.kind, 100, plan.location);
    }
    if (turned_file)
        return codec.SaveFile(plan.output, *turned_file, nullptr, turned_xmp_too_large, plan.kind,
                              plan.location);
    if (!file)
        return codec.SavePictureOf(plan.source, plan.output, image, plan.kind, 100, plan.location);
    // As SavePictureOf, with the metadata taken from the bytes read rather than the file again.
    std::optional<std::string> bytes =
        plan.kind == kJpegImage ? codec.EncodeJpeg(image, 100) : codec.EncodeBmp(image);
    if (!bytes) return PictureFailure::SaveFailed;
    bool xmp_too_large = false;
    if (plan.kind == kJpegImage) *bytes = CarryJpegMetadata(file->View(), *bytes, &xmp_too_large);
    return codec.SaveFile(plan.output, *bytes, nullptr, xmp_too_large, plan.kind, plan.location);
}

// Puts the source of `plan` at `to` as it is: the bytes already read when given (a copy that
// already holds them is left as it is), else the file copied. When location is to be removed the
// codec makes the copy, which publishes nothing that tells where the picture was taken.
PictureFailure PutAsItIs(const PicturePlan& plan, const std::string& to, ImageCodec& codec,
                         const std::optional<PictureBytes>* file) {
    if (plan.location == LocationRule::Remove || file == nullptr || !*file)
        return codec.CopyPicture(plan.source, to, plan.kind, plan.location);
    const std::string_view bytes = (*file)->View();
    return FileHoldsBytes(to, bytes) || ReplaceFile(to, bytes) ? PictureFailure::None
                                                               : PictureFailure::CopyFailed;
}

// The picture put into the album as it is, after `failure` (why it is not made otherwise, or
// None): CopyFailed instead when the copy was needed and failed, LocationLeft when it was to tell
// nothing of where it was taken and cannot be made so. Only the source's own entry needs no copy;
// a link to it elsewhere is replaced by the copy. `file`: the source's bytes if read.
PictureOutcome CopiedAsItIs(const PicturePlan& plan, PictureFailure failure, ImageCodec& codec,
                            const std::optional<PictureBytes>* file = nullptr) {
    PictureOutcome outcome;
    if (plan.display_copy) {
        // No display copy: the pages link the picture itself (in the source folder, where it is).
        const PictureFailure copied = plan.as_it_is.empty()
                                          ? PictureFailure::None
                                          : PutAsItIs(plan, plan.as_it_is, codec, file);
        outcome.failure = copied == PictureFailure::None ? failure : copied;
        return outcome;
    }
    const PictureFailure copied =
        plan.output_is_source ? PictureFailure::None : PutAsItIs(plan, plan.output, codec, file);
    outcome.output_written = copied == PictureFailure::None && !plan.output_is_source;
    outcome.failure = copied == PictureFailure::None ? failure : copied;
    return outcome;
}

// Copies the material `from` to `to` unless `to` already holds its bytes; recorded as a file of
// the album, and needed by it either way. False when it could not be copied.
bool CopyMaterial(const std::string& from, const std::string& to, AlbumRecord* record) {
    // The pages name it even when it cannot be copied now: an earlier copy stays.
    if (record != nullptr) record->Need(to);
    std::string bytes;
    if (!ReadWholeFile(from, bytes)) return false;
    if (!FileHoldsBytes(to, bytes) && !ReplaceFile(to, bytes)) return false;
    if (record != nullptr) record->Placed(to, bytes);
    return true;
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

namespace {

// A box side as the thumbnails for dense screens use it: twice the side (at least 1), where even
// an unchecked profile's side cannot overflow.
int DoubledSide(int side) {
    return std::min(std::max(1, side), INT_MAX / 2) * 2;
}

// The side of the box that the largest thumbnail of `plan` fits.
int LargestBoxSide(const PicturePlan& plan, int side) {
    return plan.thumbnail_2x.empty() ? std::max(1, side) : DoubledSide(side);
}

}  // namespace

ImgKitSize DoubleDensityThumbnailSize(int box_width, int box_height, int width, int height) {
    if (width <= 0 || height <= 0) return {0, 0};
    const ImgKitSize plain = FitThumbnail(box_width, box_height, width, height);
    ImgKitSize sharp = FitThumbnail(DoubledSide(box_width), DoubledSide(box_height), width, height);
    // Never larger than the picture: a picture between the two boxes gives itself at its size.
    if (sharp.width > width || sharp.height > height) sharp = {width, height};
    if (sharp.width <= plain.width && sharp.height <= plain.height) return {0, 0};
    return sharp;
}

int AlbumPageCount(const AlbumSettings& settings, int checked_count) {
    if (settings.html_page == 0) return 1;
    const int per = std::max(1, settings.thumbnail_rows) * std::max(1, settings.thumbnail_cols);
    const int pages = checked_count / per + (checked_count % per != 0 ? 1 : 0);
    return std::max(1, pages);
}

std::vector<std::string> CheckedNames(const PictureSelection& pictures) {
    std::vector<std::string> names;
    for (int i = pictures.FirstChecked(); i != -1; i = pictures.NextChecked(i))
        names.push_back(pictures.ItemText(i));
    return names;
}

std::vector<PicturePlan> PlanAlbumPictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures,
                                           const AlbumNamePlan& names) {
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
    std::size_t k = 0;
    for (int i = pictures.FirstChecked(); i != -1; i = pictures.NextChecked(i), ++k) {
        const AlbumPictureNames& named = names.pictures.at(k);
        PicturePlan plan;
        plan.line = i;
        plan.name = pictures.ItemText(i);
        plan.source = folder + plan.name;
        plan.output = AlbumFilePath(settings, named.copy);
        plan.thumbnail = AlbumFilePath(settings, named.thumbnail);
        // Only the modern pages show a thumbnail for dense screens: a classic album gets no file
        // it does not use.
        if (settings.page_style == kModernPages)
            plan.thumbnail_2x = DoubleDensityThumbnail(plan.thumbnail, kPathSeparator);
        plan.kind = ImageKindOfName(plan.source);
        plan.turns = pictures.GetQuarterTurns(i) % 4;
        plan.location = settings.strip_location != 0 ? LocationRule::Remove : LocationRule::Keep;
        plan.display_copy = named.display_copy;
        if (plan.display_copy) {
            // The display copy is a new file wherever the album lies; the picture itself is
            // copied only into an album of its own.
            if (!over_source) plan.as_it_is = AlbumFilePath(settings, named.as_it_is);
        } else {
            plan.output_is_source = over_source;
        }
        const ImageKindInfo* info = FindImageKind(plan.kind);
        plan.writes_over_source =
            plan.output_is_source && plan.turns > 0 && info != nullptr && info->decoded;
        plans.push_back(std::move(plan));
    }
    return plans;
}

std::vector<PicturePlan> PlanAlbumPictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures) {
    return PlanAlbumPictures(settings, pictures, PlanAlbumNames(settings, CheckedNames(pictures)));
}

int PicturesTurnedInPlace(const AlbumSettings& settings, const PictureSelection& pictures) {
    if (settings.html_only != 0) return 0;
    const std::vector<PicturePlan> plans = PlanAlbumPictures(settings, pictures);
    return static_cast<int>(std::count_if(plans.begin(), plans.end(), [](const PicturePlan& plan) {
        return plan.writes_over_source;
    }));
}

namespace {

// Makes the thumbnail of the (upright, turned) picture `image` and releases the picture: in
// `thumbnail_kind` when given (without metadata), else as SavePicture saves the plan's kind at
// quality 100. Adds what became of it to `outcome`: one reason per picture, the one that costs
// the album most (the copy's failure before the thumbnail's, and either before a copy saved
// without its XMP).
void AddThumbnail(const PicturePlan& plan, int box_width, int box_height, ImageCodec& codec,
                  ImageHandle& image, const std::optional<EncodeSettings>& thumbnail_kind,
                  PictureOutcome& outcome) {
    PictureFailure thumbnail = PictureFailure::None;
    try {
        const ImgKitSize size = codec.Size(image);
        const ImgKitSize fit = FitThumbnail(box_width, box_height, size.width, size.height);
        ImageHandle small = codec.Resize(image, fit.width, fit.height);
        // Both thumbnails are made from the picture itself, each at its own size.
        ImageHandle sharp;
        if (!plan.thumbnail_2x.empty()) {
            const ImgKitSize fit_2x =
                DoubleDensityThumbnailSize(box_width, box_height, size.width, size.height);
            if (fit_2x.width > 0) sharp = codec.Resize(image, fit_2x.width, fit_2x.height);
        }
        // The turned picture is not needed any more: release it before the thumbnails are encoded.
        ImgKitMemFree(image);
        // A thumbnail that already holds its bytes (made again beside a new thumbnail for
        // dense screens, say) is left as it is, with its times.
        auto save = [&](const std::string& path, ImageHandle& shown) {
            if (!shown) return false;
            const std::optional<std::string> bytes =
                thumbnail_kind            ? codec.Encode(shown, *thumbnail_kind, {}, nullptr)
                : plan.kind == kJpegImage ? codec.EncodeJpeg(shown, 100)
                                          : codec.EncodeBmp(shown);
            if (!bytes) return false;
            if (FileHoldsBytes(path, *bytes)) return true;
            const ImageKind kind = thumbnail_kind ? thumbnail_kind->kind : plan.kind;
            return codec.SaveFile(path, *bytes, nullptr, false, kind, plan.location) ==
                   PictureFailure::None;
        };
        outcome.thumbnail_written = save(plan.thumbnail, small);
        // A thumbnail for dense screens that could not be saved leaves the page with the plain
        // one: the picture shows all the same, and it is not listed.
        outcome.thumbnail_2x_written = outcome.thumbnail_written && save(plan.thumbnail_2x, sharp);
        if (!outcome.thumbnail_written) thumbnail = PictureFailure::ThumbnailFailed;
    } catch (const std::bad_alloc&) {
        thumbnail = PictureFailure::NoMemory;
    } catch (...) {
        // Nothing of what was done above may be lost to the caller (a copy turned over its
        // source must have its turn cleared): the thumbnail alone fails.
        thumbnail = PictureFailure::ThumbnailFailed;
    }
    if (outcome.failure == PictureFailure::None || outcome.failure == PictureFailure::XmpLeftOut) {
        if (thumbnail != PictureFailure::None) outcome.failure = thumbnail;
    }
}

// The one load of a JPEG or BMP picture: turned copy (or the file itself when unturned), then the
// thumbnail from the turned picture. A picture that cannot be loaded is put into the album
// unturned, as it is, without a thumbnail. Memory that runs out before the copy is in place goes
// up as std::bad_alloc, with nothing written; once the copy is in place, it costs the thumbnail
// alone.
PictureOutcome MakeLoadedPictureFiles(const PicturePlan& plan, int box_width, int box_height,
                                      ImageCodec& codec, ImgKitSize upright, bool copy_current,
                                      std::optional<PictureBytes>& file) {
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
    if (turns > 0 && plan.kind == kJpegImage) {
        turned_file = file ? codec.TurnBytesLosslessly(file->View(), turns, &turned_xmp_too_large)
                           : codec.TurnLosslessly(read, turns, &turned_xmp_too_large);
    }

    // When the copy needs no pixels (copied as a file, or turned on its blocks), the one load only
    // feeds the thumbnails and may be decoded at a reduced scale when the picture is at least twice
    // the box of the largest (never below the thumbnail it makes). A re-encoded copy needs every
    // pixel.
    int min_width = 0;
    int min_height = 0;
    if (turns <= 0 || turned_file) {
        if (upright.width <= 0 || upright.height <= 0) upright = codec.UprightSize(read);
        const bool sideways = turns > 0 && turns % 2 == 1;
        const ImgKitSize shown = sideways ? ImgKitSize{upright.height, upright.width} : upright;
        if (shown.width > 0 && shown.height > 0) {
            const int bw = LargestBoxSide(plan, box_width);
            const int bh = LargestBoxSide(plan, box_height);
            const ImgKitSize fit = FitThumbnail(bw, bh, shown.width, shown.height);
            if (shown.width >= 2 * std::int64_t{bw} && shown.height >= 2 * std::int64_t{bh}) {
                // The load's minimum is in the axes of the picture before its turns.
                min_width = sideways ? fit.height : fit.width;
                min_height = sideways ? fit.width : fit.height;
            }
        }
    }

    LoadedPicture loaded;
    if (file) {
        // The bytes read once give what a load of the file gives.
        DecodedPicture decoded = codec.Decode(file->View(), min_width, min_height);
        loaded.image = std::move(decoded.image);
        if (!loaded.image) loaded.failure = RefusalFailureOf(decoded.refusal);
    } else {
        loaded = codec.LoadPicture(read, min_width, min_height);
    }
    if (!loaded.image) return CopiedAsItIs(plan, loaded.failure, codec, &file);
    ImageHandle& image = loaded.image;
    for (int turn = 0; turn < turns; ++turn) codec.Rotate(image);

    PictureOutcome outcome;
    if (copy_current) {
        // The copy an earlier build made is this one: only the thumbnails are made, from the
        // picture loaded exactly as for the copy, so that they are the bytes a new album gets.
    } else if (turns <= 0) {
        outcome = CopiedAsItIs(plan, PictureFailure::None, codec, &file);
    } else {
        const PictureFailure saved =
            SaveTurnedCopy(codec, plan, original, image, turned_file, turned_xmp_too_large, file);
        if (saved == PictureFailure::FileChanged) {
            // The name now shows another picture: a thumbnail of the one read would not match it.
            outcome.failure = saved;
            return outcome;
        }
        if (saved == PictureFailure::SaveFailed) {
            outcome = CopiedAsItIs(plan, PictureFailure::TurnedSaveFailed, codec, &file);
        } else if (saved == PictureFailure::LocationLeft) {
            // Nothing that tells where it was taken goes into the album, not even unturned.
            outcome.failure = saved;
        } else {
            outcome.output_written = true;
            outcome.failure = saved;  // None, or XmpLeftOut
        }
    }
    turned_file.reset();
    file.reset();

    AddThumbnail(plan, box_width, box_height, codec, image, std::nullopt, outcome);
    return outcome;
}

// How many times the box the largest thumbnail of a plan is: twice when the modern pages also
// want one for dense screens, so that a decode never stops below it.
int Density(const PicturePlan& plan) {
    return plan.thumbnail_2x.empty() ? 1 : 2;
}

// The smallest upright picture the thumbnail of a `shown` picture needs when nothing else needs
// every pixel: a decode may stop there when the picture is at least twice the box (never below
// the thumbnail it makes); {0, 0} for the whole picture. In the axes before `turns`.
ImgKitSize ThumbnailMinimum(ImgKitSize upright, int turns, int box_width, int box_height) {
    const bool sideways = turns % 2 == 1;
    const ImgKitSize shown = sideways ? ImgKitSize{upright.height, upright.width} : upright;
    if (shown.width <= 0 || shown.height <= 0) return {};
    if (shown.width < 2 * std::max(1, box_width) || shown.height < 2 * std::max(1, box_height))
        return {};
    const ImgKitSize fit = FitThumbnail(box_width, box_height, shown.width, shown.height);
    return sideways ? ImgKitSize{fit.height, fit.width} : fit;
}

// A PNG, WebP, AVIF, HEIF or TIFF (by its name), read once and decoded by its content. A kind
// browsers show is copied as it is, or re-encoded upright in its own kind when turned (PNG and a
// lossless WebP stay lossless): browsers do not all show a WebP's or AVIF's own turn. A HEIF or
// TIFF gets its JPEG display copy at quality 90 with the source's Exif, XMP and ICC profile. The
// thumbnail keeps the kind of the name (alpha kept), a display copy's is a JPEG. A picture that
// cannot be decoded (damaged, animated, of several pictures, its decoder missing) goes into the
// album as it is, without a thumbnail, and is listed for its reason.
PictureOutcome MakeDecodedPictureFiles(const PicturePlan& plan, int box_width, int box_height,
                                       ImageCodec& codec, bool copy_current,
                                       std::optional<PictureBytes>& file) {
    const int turns = plan.turns;
    FileToReplace original;
    const bool over_source = plan.output_is_source && turns > 0;
    if (over_source && !FindFileToReplace(plan.source, original))
        return CopiedAsItIs(plan, PictureFailure::Unreadable, codec);
    const std::string& read = over_source ? original.path : plan.source;
    if (!file) {
        TakeOutOfMemoryNote();
        file = codec.ReadPicture(read);
    }
    if (!file) {
        return CopiedAsItIs(
            plan, TakeOutOfMemoryNote() ? PictureFailure::NoMemory : PictureFailure::Unreadable,
            codec);
    }
    const std::string_view bytes = file->View();
    const PictureFacts facts = ProbePicture(bytes);
    auto refused = [&](PictureRefusal refusal, ImageKind kind) {
        PictureOutcome outcome = CopiedAsItIs(plan, RefusalFailureOf(refusal), codec, &file);
        outcome.kind = kind;
        return outcome;
    };
    if (facts.refusal != PictureRefusal::kNone) return refused(facts.refusal, facts.kind);

    // Browsers ignore a WebP's own orientation, where they honour a JPEG's, a PNG's and an
    // AVIF's: a WebP stored turned is saved upright in an album of its own (never over the
    // user's file when the album lies in the source folder).
    const bool upright_webp = facts.kind == kWebpImage && !plan.output_is_source &&
                              ExifOrientation(ReadSourceMetadata(bytes).exif) > 1;
    const bool reencoded = turns > 0 || upright_webp;
    // Only an unturned copy made as it is leaves the decode to the thumbnail alone.
    const bool copy_needs_pixels = plan.display_copy || reencoded;
    const ImgKitSize minimum = copy_needs_pixels
                                   ? ImgKitSize{}
                                   : ThumbnailMinimum(facts.upright, 0, box_width * Density(plan),
                                                      box_height * Density(plan));
    DecodedPicture decoded = codec.Decode(bytes, minimum.width, minimum.height);
    if (!decoded.image) return refused(decoded.refusal, decoded.kind);
    ImageHandle& image = decoded.image;
    for (int turn = 0; turn < turns; ++turn) codec.Rotate(image);

    PictureOutcome outcome;
    if (copy_current) {
        // As for a JPEG: the thumbnails alone, from the same decode.
    } else if (plan.display_copy) {
        bool xmp_too_large = false;
        EncodeSettings display{kJpegImage, 90};
        display.without_location = plan.location == LocationRule::Remove;
        const std::optional<std::string> copy = codec.Encode(image, display, bytes, &xmp_too_large);
        const PictureFailure saved = copy ? codec.SaveFile(plan.output, *copy, nullptr,
                                                           xmp_too_large, kJpegImage, plan.location)
                                          : PictureFailure::SaveFailed;
        if (saved == PictureFailure::LocationLeft) {
            // Neither the display copy nor the picture itself goes into the album.
            outcome.failure = saved;
        } else if (saved == PictureFailure::SaveFailed) {
            outcome = CopiedAsItIs(plan, PictureFailure::SaveFailed, codec, &file);
        } else {
            outcome.output_written = true;
            outcome.failure = saved;
        }
    } else if (reencoded) {
        // Upright in its own kind, from the decoded pixels: the turn is on them already.
        EncodeSettings same = SameKindSettings(facts, 100);
        same.kind = facts.kind;
        same.without_location = plan.location == LocationRule::Remove;
        bool xmp_too_large = false;
        const std::optional<std::string> turned = codec.Encode(image, same, bytes, &xmp_too_large);
        PictureFailure saved = PictureFailure::SaveFailed;
        if (turned) {
            saved = over_source ? codec.SaveFile(original.path, *turned, &original, xmp_too_large,
                                                 same.kind, plan.location)
                                : codec.SaveFile(plan.output, *turned, nullptr, xmp_too_large,
                                                 same.kind, plan.location);
        }
        if (saved == PictureFailure::FileChanged) {
            outcome.failure = saved;
            return outcome;
        }
        if (saved == PictureFailure::SaveFailed) {
            outcome = CopiedAsItIs(plan, PictureFailure::TurnedSaveFailed, codec, &file);
        } else if (saved == PictureFailure::LocationLeft) {
            outcome.failure = saved;
        } else {
            outcome.output_written = true;
            outcome.failure = saved;
        }
    } else {
        outcome = CopiedAsItIs(plan, PictureFailure::None, codec, &file);
    }
    file.reset();

    std::optional<EncodeSettings> thumbnail_kind;
    if (!plan.display_copy) {
        // The thumbnail keeps the kind its name says, with the source's alpha.
        thumbnail_kind = SameKindSettings(facts, 100);
        thumbnail_kind->kind = plan.kind;
    } else {
        thumbnail_kind = EncodeSettings{kJpegImage, 100};
    }
    AddThumbnail(plan, box_width, box_height, codec, image, thumbnail_kind, outcome);
    return outcome;
}

}  // namespace

std::int64_t AlbumPictureBytes(const PicturePlan& plan, int box_width, int box_height,
                               ImageCodec& codec, ImgKitSize& upright) {
    upright = {};
    const ImageKindInfo* info = FindImageKind(plan.kind);
    if (info != nullptr && info->decoded && plan.kind != kJpegImage && plan.kind != kBmpImage) {
        const PictureFacts facts = codec.ProbeFile(plan.source);
        if (facts.refusal != PictureRefusal::kNone) return 0;
        upright = facts.upright;
        const std::int64_t full =
            static_cast<std::int64_t>(upright.width) * upright.height * kBytesPerPixel;
        const bool whole = plan.display_copy || plan.turns > 0;
        const ImgKitSize minimum = whole ? ImgKitSize{}
                                         : ThumbnailMinimum(upright, 0, box_width * Density(plan),
                                                            box_height * Density(plan));
        // The file, the decode, and a turned picture held twice while it turns or is encoded.
        std::error_code ec;
        const std::uintmax_t file_size = std::filesystem::file_size(plan.source, ec);
        return (ec ? 0 : static_cast<std::int64_t>(file_size)) +
               PictureDecodeBytes(facts, minimum.width, minimum.height) + (whole ? full : 0);
    }
    if (plan.kind != kJpegImage && plan.kind != kBmpImage) return 0;
    upright = codec.UprightSize(plan.source);
    if (upright.width <= 0 || upright.height <= 0) return 0;
    const std::int64_t full =
        static_cast<std::int64_t>(upright.width) * upright.height * kBytesPerPixel;
    // What the decoder holds beside the pixels: the file, a progressive picture's coefficients.
    const std::int64_t work = ImgKitDecodeWorkBytes(plan.source);
    // A turned picture is held twice while it turns (the old pixels and the new).
    if (plan.turns > 0) return std::max(work + full, 2 * full);
    const int bw = LargestBoxSide(plan, box_width);
    const int bh = LargestBoxSide(plan, box_height);
    const ImgKitSize fit = FitThumbnail(bw, bh, upright.width, upright.height);
    const bool reduced =
        upright.width >= 2 * std::int64_t{bw} && upright.height >= 2 * std::int64_t{bh};
    const std::int64_t decoded =
        ImgKitDecodedPixels(upright, plan.kind == kJpegImage, reduced ? fit.width : 0,
                            reduced ? fit.height : 0) *
        kBytesPerPixel;
    // The thumbnails are held together: the largest, and beside a double-density one the plain
    // one, at most as large.
    const std::int64_t thumbnails =
        std::int64_t{fit.width} * fit.height * (plan.thumbnail_2x.empty() ? 1 : 2) * kBytesPerPixel;
    return work + decoded + thumbnails;
}

PictureOutcome MakeAlbumPicture(const PicturePlan& plan, int box_width, int box_height,
                                ImageCodec& codec, ImgKitSize upright, bool copy_current,
                                std::optional<PictureBytes> file) {
    // Bytes read before are never those of a file the picture's turn replaces: that one is
    // found and read here, once its links are resolved.
    if (plan.output_is_source && plan.turns > 0) file.reset();
    if (plan.kind == kJpegImage || plan.kind == kBmpImage) {
        // The content decides the decoder: a HEIC or PNG that a phone or a web page saved under
        // a .jpg name is still read for what it is.
        std::int64_t file_size = 0;
        const std::optional<std::string> head =
            file ? std::optional<std::string>(file->View().substr(0, kSniffBytes))
                 : ReadPictureHead(plan.source, kSniffBytes, file_size);
        const ImageKind content = head ? SniffImageKind(*head) : kNotPicture;
        const ImageKindInfo* read_as = FindImageKind(content);
        if (read_as == nullptr || !read_as->decoded || content == kJpegImage ||
            content == kBmpImage)
            return MakeLoadedPictureFiles(plan, box_width, box_height, codec, upright, copy_current,
                                          file);
        return MakeDecodedPictureFiles(plan, box_width, box_height, codec, copy_current, file);
    }
    const ImageKindInfo* info = FindImageKind(plan.kind);
    if (info != nullptr && info->decoded)
        return MakeDecodedPictureFiles(plan, box_width, box_height, codec, copy_current, file);
    // A GIF is copied as it is, without a thumbnail: the page shows the picture itself.
    return copy_current ? PictureOutcome{} : CopiedAsItIs(plan, PictureFailure::None, codec, &file);
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
        if (m.empty()) return;
        // A material already in place is left alone (its times too, for a sync tool).
        if (CopyMaterial(folder + m, material + m, context.record)) return;
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
    if (s.page_style == kModernPages) {
        std::string sharp = base + s.thumb_folder;
        EnsureTrailingSeparator(sharp);
        if (!EnsureFolder(sharp + kDoubleDensityFolder, false, dialogs)) return result;
    }
    result.folders_made = true;
    progress.SetPos(7);

    progress.SetMessage("サムネイルを作成しています...");
    progress.SetRange(std::max(1, context.pictures.CheckedCount()));
    progress.SetPos(0);

    // The list is read here, on the calling thread; the workers get plain data only.
    PictureJob job;
    AlbumNamePlan names = PlanAlbumNames(s, CheckedNames(context.pictures));
    job.pictures = PlanAlbumPictures(s, context.pictures, names);
    result.renamed = std::move(names.renamed);
    job.work_done = PictureWork::Turn;
    const std::vector<PicturePlan>& plans = job.pictures;
    const int box_width = s.thumbnail_x;
    const int box_height = s.thumbnail_y;
    std::vector<ImgKitSize> uprights(plans.size());
    // Set on a worker once a picture's work has put its copy in place, or met the reason it could
    // not: its fallback then has nothing to add.
    std::vector<char> copy_dealt_with(plans.size(), 0);
    ImageCodec& codec = context.codec;

    // What each picture's worker found of an earlier build's files, and wrote itself.
    AlbumRecord* record = context.record;
    std::vector<PictureCheck> checks(record != nullptr ? plans.size() : 0);
    auto check = [&](int i) -> PictureCheck& {
        if (!checks[i].checked) checks[i] = record->CheckPicture(plans[i]);
        return checks[i];
    };
    job.estimate = [&](int i) -> std::int64_t {
        // A picture whose files are all current is neither read nor decoded.
        if (record != nullptr && check(i).AllCurrent()) return 0;
        return AlbumPictureBytes(plans[i], box_width, box_height, codec, uprights[i]);
    };
    job.work = [&](int i, int same_file) -> PictureOutcome {
        if (same_file < 0 && record != nullptr) {
            PictureCheck& found = check(i);
            std::optional<PictureBytes> file;
            if (!found.AllCurrent() && found.source.hash.empty() &&
                !(plans[i].output_is_source && plans[i].turns > 0)) {
                // Read once: the bytes hashed for the record are the bytes the picture is made
                // from, and a picture only touched is found current without a decode.
                file = codec.ReadPicture(plans[i].source);
                if (file) record->CheckContent(plans[i], file->View(), found);
            }
            if (found.AllCurrent()) {
                copy_dealt_with[i] = 1;
                PictureOutcome kept;
                kept.thumbnail_written = found.thumbnails_current && !plans[i].thumbnail.empty() &&
                                         FindImageKind(plans[i].kind) != nullptr &&
                                         FindImageKind(plans[i].kind)->decoded;
                kept.thumbnail_2x_written = found.thumbnail_2x_present;
                return kept;
            }
            PictureOutcome made =
                MakeAlbumPicture(plans[i], box_width, box_height, codec, uprights[i],
                                 found.copy_current, std::move(file));
            copy_dealt_with[i] = 1;
            record->CollectPicture(plans[i], made, found);
            return made;
        }
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
        same.thumbnail_2x_written = made.thumbnail_2x_written;
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
    result.display_copies_written.reserve(plans.size());
    result.thumbnails_2x_written.reserve(plans.size());
    job.commit = [&](int i, const PictureOutcome& outcome) {
        // A turned picture saved over its own source file has spent its recorded turns.
        if (outcome.output_written && plans[i].writes_over_source)
            result.saved_over_source.push_back(plans[i].line);
        result.thumbnails_written.push_back(outcome.thumbnail_written);
        const bool copy_kept = record != nullptr && checks[i].copy_current;
        result.display_copies_written.push_back(plans[i].display_copy &&
                                                (outcome.output_written || copy_kept));
        result.thumbnails_2x_written.push_back(outcome.thumbnail_2x_written);
        if (record != nullptr) {
            record->TakePicture(plans[i], checks[i]);
            // Kept current on the disk as the pictures are made: a build stopped or killed
            // leaves a record of every picture it finished.
            record->SaveNowAndThen();
        }
        if (record != nullptr && checks[i].AllCurrent()) ++result.pictures_kept;
    };
    const PictureJobRun run = RunPictureJob(job, progress, OrderedPool::Limits{context.workers, 0});
    result.pictures_made = run.handled;
    result.pictures_failed = run.failed;
    result.failures += run.failures;
    result.broke_down = run.broke_down != nullptr;
    result.stopped = !result.broke_down && run.handled < static_cast<int>(plans.size());
    return result;
}

std::string KeptPicturesLine(int kept) {
    return "前回の作成から変わっていない画像 " + std::to_string(kept) +
           " 枚は、作り直さずにそのままにしました。";
}

std::string AlbumPagesLine(int handled, int page_count) {
    return std::to_string(page_count) + " ページ中 " + std::to_string(handled) +
           " ページのHTMLファイルを処理しました。";
}

std::vector<PagePicture> AlbumPagePictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures,
                                           const std::vector<bool>& thumbnails_written,
                                           const std::vector<bool>& display_copies_written,
                                           ProgressSink* progress) {
    const AlbumNamePlan names = PlanAlbumNames(settings, CheckedNames(pictures));

    std::vector<PagePicture> shown;
    std::vector<std::optional<CaptureTime>> taken;
    const bool read_facts = settings.read_captions != 0 || settings.date_order != 0;
    std::string folder = ExpandHome(settings.picture_path);
    if (!folder.empty() && folder.back() != '/' && folder.back() != kPathSeparator)
        folder += kPathSeparator;
    std::size_t k = 0;
    for (int line = pictures.FirstChecked(); line != -1; line = pictures.NextChecked(line), ++k) {
        const AlbumPictureNames& named = names.pictures[k];
        const bool made = k < thumbnails_written.size();
        const bool thumbnail =
            made ? thumbnails_written[k] : PathExists(AlbumFilePath(settings, named.thumbnail));
        const std::string name = pictures.ItemText(line);
        std::string comment = pictures.GetComment(line);
        if (read_facts) {
            const CaptionFacts facts = ReadCaptionFacts(folder + name);
            // Only a comment box left empty takes the picture's own caption.
            if (settings.read_captions != 0 && comment.empty()) comment = facts.caption;
            taken.push_back(facts.taken);
            // The metadata of a large folder takes a while: the window keeps drawing.
            if (progress != nullptr && k % 32 == 31) progress->Idle();
        }
        PagePicture picture{named.copy, thumbnail ? named.thumbnail : "", name, comment};
        // A HEIF or TIFF without its display copy links the picture itself.
        if (named.display_copy) {
            const bool copy_made =
                made ? k < display_copies_written.size() && display_copies_written[k]
                     : PathExists(AlbumFilePath(settings, named.copy));
            if (!copy_made) picture.link = named.as_it_is;
        }
        shown.push_back(std::move(picture));
    }
    if (settings.date_order != 0) OrderByCaptureTime(shown, taken);
    return shown;
}

namespace {

// The size of a picture as a browser shows it: from the codec, or for a GIF, which the codec
// never reads, from its header's logical screen (little-endian width and height after "GIF8?a").
ImgKitSize ShownSize(ImageCodec& codec, const std::string& path) {
    const ImgKitSize size = codec.UprightSize(path);
    if (size.width > 0 && size.height > 0) return size;
    unsigned char head[10] = {};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(head), sizeof head) ||
        std::string_view(reinterpret_cast<const char*>(head), 4) != "GIF8")
        return {};
    return {head[6] | head[7] << 8, head[8] | head[9] << 8};
}

}  // namespace

void MeasurePagePictures(const AlbumSettings& settings, std::vector<PagePicture>& pictures,
                         const std::vector<bool>& thumbnails_2x_written, ImageCodec& codec) {
    const std::string base = AlbumOutputFolder(settings);
    auto file_of = [&base](std::string link) {
        if (kPathSeparator != '/') std::replace(link.begin(), link.end(), '/', kPathSeparator);
        return base + link;
    };
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        PagePicture& p = pictures[k];
        if (p.thumbnail.empty()) {
            // The picture itself at the thumbnail height, as the classic pages show it.
            p.height = std::max(1, settings.thumbnail_y);
            const ImgKitSize size = ShownSize(codec, file_of(p.link));
            if (size.width > 0 && size.height > 0)
                p.width = std::max(1, MulDiv(p.height, size.width, size.height));
            continue;
        }
        const ImgKitSize size = codec.UprightSize(file_of(p.thumbnail));
        if (size.width <= 0 || size.height <= 0) continue;
        p.width = size.width;
        p.height = size.height;
        const std::string sharp = DoubleDensityThumbnail(p.thumbnail, '/');
        const bool made = k < thumbnails_2x_written.size() ? thumbnails_2x_written[k]
                                                           : PathExists(file_of(sharp));
        if (!made) continue;
        const ImgKitSize sharp_size = codec.UprightSize(file_of(sharp));
        if (sharp_size.width > p.width) {
            p.thumbnail_2x = sharp;
            p.thumbnail_2x_width = sharp_size.width;
        }
    }
}

AlbumPagesOutcome WriteAlbumPages(const AlbumBuildContext& context,
                                  const std::vector<PagePicture>& pictures) {
    const AlbumSettings& s = context.settings;
    ProgressSink& progress = context.progress;
    AlbumPagesOutcome outcome;
    outcome.page_count = AlbumPageCount(s, static_cast<int>(pictures.size()));
    progress.SetMessage("HTMLを作成しています...");
    progress.SetRange(outcome.page_count);
    const bool modern = s.page_style == kModernPages;
    auto write_page = [&context](const std::string& path, const std::string& bytes) {
        PageWriteStatus status = WritePageFile(path, bytes);
        if (context.record != nullptr && status.result == PageWriteResult::Written)
            context.record->Placed(path, bytes);
        return status;
    };
    if (modern) {
        // The pages' one style sheet; without it they still show every picture and link, so a
        // failure is told and counted, and the pages are written all the same.
        const PageWriteStatus sheet = write_page(StyleSheetFileName(s), RenderStyleSheet(s));
        if (sheet.result != PageWriteResult::Written) {
            ++outcome.pages_failed;
            outcome.messages.push_back(sheet.message);
        }
    }
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
            write_page(IndexPageFileName(s, page, outcome.page_count),
                       modern ? RenderModernIndexPage(s, shown, page, outcome.page_count)
                              : RenderIndexPage(s, shown, page, outcome.page_count));
        if (status.result != PageWriteResult::Written) {
            ++outcome.pages_failed;
            outcome.messages.push_back(status.message);
        }
        if (status.result == PageWriteResult::WriteFailed) {
            outcome.completed = false;
            return outcome;
        }
        if (s.slide_mode != 0) {
            const PageWriteStatus slide =
                write_page(SlideShowPageFileName(s, page, outcome.page_count),
                           modern ? RenderModernSlideShowPage(s, shown, page, outcome.page_count)
                                  : RenderSlideShowPage(s, shown));
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

bool BuildAlbum(const AlbumBuildContext& given, AlbumBuildReport& report) {
    report = {};
    const int checked = given.pictures.CheckedCount();
    if (checked == 0) {
        given.dialogs.ShowMessage(
            "画像ﾌｧｲﾙが選択されていません。\n「ピクチャー」タグをクリックして選択してください。",
            std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    // What earlier builds of this album made: kept where current, and recorded as this build
    // goes (a record the caller opened is used as it is).
    std::optional<AlbumRecord> own_record;
    AlbumBuildContext context = given;
    if (context.record == nullptr) context.record = &own_record.emplace(given.settings);
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
        std::vector<PagePicture> shown =
            AlbumPagePictures(context.settings, context.pictures, files.thumbnails_written,
                              files.display_copies_written, &context.progress);
        if (context.settings.page_style == kModernPages) {
            MeasurePagePictures(context.settings, shown, files.thumbnails_2x_written,
                                context.codec);
        }
        pages = WriteAlbumPages(context, shown);
        report.pages_failed = pages.pages_failed;
    }
    // A stop that came with the last page is taken as well: whoever asked for it is told that the
    // build ended by it, never offered the album.
    report.stopped = stopped_before_pages || pages.stopped ||
                     (pages.completed && context.progress.StopRequested());
    context.progress.Close();
    report.pages_written =
        !report.stopped && !report.broke_down && pages.completed && report.pages_failed == 0;
    // Only a whole album knows every file it needs; one made without its pictures (HTML-only)
    // leaves the pictures' files as they are.
    if (report.pages_written && context.settings.html_only == 0)
        report.removed = context.record->RemoveUnneeded();
    context.record->Save();

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
    if (!files.renamed.empty()) {
        std::string text = kAlbumRenamedHeading;
        for (const std::string& line : files.renamed) text += "\n" + line;
        context.dialogs.ShowMessage(text, std::nullopt, MessageIcon::Information,
                                    MessageButtons::Ok);
    }
    if (!report.removed.empty()) {
        std::string text = kAlbumRemovedHeading;
        for (const std::string& line : report.removed) text += "\n" + line;
        context.dialogs.ShowMessage(text, std::nullopt, MessageIcon::Information,
                                    MessageButtons::Ok);
    }
    // Only a complete set of pages is offered: after a page that failed the first page may be
    // missing or link to one that is.
    if (report.pages_written) {
        // The question keeps its words; what was written, and where, goes under it, with a button
        // that opens the album's folder (a console shows the question alone).
        const std::string folder = AlbumOutputFolder(context.settings);
        const int html_files = pages.page_count * (context.settings.slide_mode != 0 ? 2 : 1);
        const MessageAnswer answer = context.dialogs.ShowJobEnd(
            "今すぐブラウザで見ますか？",
            WrittenNote(files.pictures_made - files.pictures_failed, html_files, folder) +
                (files.pictures_kept > 0 ? "\n" + KeptPicturesLine(files.pictures_kept) : ""),
            std::string(), MessageIcon::None, MessageButtons::YesNo);
        if (answer == MessageAnswer::Yes) {
            context.shell.OpenWithShell(folder + context.settings.html_name + ".html");
        } else if (answer == MessageAnswer::OpenFolder) {
            context.shell.OpenWithShell(folder);
        }
    }
    return report.pages_written;
}

bool BuildAlbum(const AlbumBuildContext& context) {
    AlbumBuildReport report;
    return BuildAlbum(context, report);
}
