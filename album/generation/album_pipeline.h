#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "album/generation/album_build.h"
#include "album/generation/album_names.h"
#include "album/generation/page_picture.h"
#include "core/path_helpers.h"
#include "core/picture_outcome.h"
#include "core/picture_plan.h"
#include "imaging/imgkit.h"

// The steps of BuildAlbum, public so that the command-line program and the tests can reach them.
// Every path here is a full path on this system; folder texts end in a separator.

// What one build did, for callers that report more than the window does.
struct AlbumBuildReport {
    bool pages_written = false;  // every index and slide-show page was written
    int pages_failed = 0;        // pages that could not be opened or written
    bool folders_made = true;    // false when a sub-folder could not be made (pictures skipped)
    int pictures_failed = 0;     // pictures listed in the failure message
    int materials_failed = 0;    // materials listed in the failure message
    // A stop was asked for: no page was written when it came during the pictures, no further page
    // when it came during the pages.
    bool stopped = false;
    bool broke_down = false;  // nobody stopped it, but the pictures could not go on (no memory
                              // for the job's own bookkeeping): no page was written
    // Lines whose picture was saved turned over its own source file: their recorded turns are
    // spent, and the window clears them (the build never changes the list itself).
    std::vector<int> saved_over_source;
    // Files an earlier build wrote that this album no longer needs, removed (paths relative to
    // the output folder, "/"-separated), in the order of their names.
    std::vector<std::string> removed;
};

// The reasons of the album's picture list that its callers name (PictureReason words them all).
inline constexpr const char* kAlbumLoadFailed = PictureFailureText(PictureFailure::Unreadable);
inline constexpr const char* kAlbumThumbnailFailed =
    PictureFailureText(PictureFailure::ThumbnailFailed);

// The first line of the message after a stop; the count of pictures made (ProcessedCountLine)
// and the failure lines (if any) follow.
inline constexpr const char* kAlbumStopped =
    "アルバムの作成を中止しました。HTMLファイルは作成していません。";
// The same after pictures that could not go on though nobody stopped them.
inline constexpr const char* kAlbumBrokeDown =
    "アルバムの作成を続けられませんでした。HTMLファイルは作成していません。";
// The same after a stop during the pages, and after one that came with the last page; the count
// of pages (AlbumPagesLine) and the failure lines (if any) follow.
inline constexpr const char* kAlbumStoppedInPages =
    "アルバムの作成を中止しました。HTMLファイルは途中までしか作成していません。";
inline constexpr const char* kAlbumStoppedAfterPages = "アルバムの作成を中止しました。";

// The first line of the finish message's list of removed files; their paths follow it, one a
// line, relative to the output folder.
inline constexpr const char* kAlbumRemovedHeading =
    "アルバムで使わなくなった次のファイルを削除しました。";

// The line under the finish note for pictures an earlier build made that were all current:
// "前回の作成から変わっていない画像 N 枚は、作り直さずにそのままにしました。"
std::string KeptPicturesLine(int kept);

// The line that says how far a build stopped in its pages got:
// "P ページ中 K ページのHTMLファイルを処理しました。" (written, or listed as failed).
std::string AlbumPagesLine(int handled, int page_count);

// The checked pictures in list order with their paths (source, copy, thumbnail) and turns, named
// as PlanAlbumNames says. Only a turned picture of a decoded kind copied onto its own entry (the
// album in the picture folder) writes over its source.
std::vector<PicturePlan> PlanAlbumPictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures);
// The same with the names of the checked pictures already planned.
std::vector<PicturePlan> PlanAlbumPictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures,
                                           const AlbumNamePlan& names);
// The file names of the checked pictures, in list order.
std::vector<std::string> CheckedNames(const PictureSelection& pictures);

// How many of the checked pictures the create button would turn over their own files (turned
// JPEG and BMP pictures of an album made in its picture folder); 0 when only the HTML is made.
int PicturesTurnedInPlace(const AlbumSettings& settings, const PictureSelection& pictures);

// Number of index pages for `checked_count` pictures: 1 without paging, else the count divided by
// rows x columns, rounded up (values below 1 count as 1; never fewer than 1 page).
int AlbumPageCount(const AlbumSettings& settings, int checked_count);

// The thumbnail size of a width x height picture in a box_width x box_height box: fitted keeping
// the aspect ratio (rounded as MulDiv does), enlarged when smaller than the box; the box itself for
// a size below 1. A box below 1 pixel counts as 1, and no side of the result is below 1.
ImgKitSize FitThumbnail(int box_width, int box_height, int width, int height);

// The size of the thumbnail for screens of twice the density (the modern pages) of a width x
// height picture whose thumbnail fits the box_width x box_height box: FitThumbnail of a box twice
// as large, but never larger than the picture itself; {0, 0} when that would be no larger than
// the thumbnail, as for a picture no larger than the box.
ImgKitSize DoubleDensityThumbnailSize(int box_width, int box_height, int width, int height);

// What PrepareAlbumFiles did.
struct AlbumFilesOutcome {
    bool folders_made = true;  // false when a sub-folder could not be made
    bool stopped = false;      // a stop came before every picture was made
    bool broke_down = false;   // the pictures could not go on (PictureJobRun::broke_down)
    int pictures_made = 0;     // pictures handled (made, or listed as failed), in list order
    int pictures_failed = 0;
    // Among them, pictures whose files an earlier build made were all current: nothing was
    // read, decoded or written for them.
    int pictures_kept = 0;
    int materials_failed = 0;  // chosen materials that could not be copied into the album
    // "<source> (ｴﾗｰ)<reason>\n" per failed material, then per failed picture in list order.
    std::string failures;
    std::vector<int> saved_over_source;
    // Per picture made (the first pictures_made checked pictures, in list order): whether its
    // thumbnail was written. Empty when no picture was made (HTML-only, a folder not made).
    std::vector<bool> thumbnails_written;
    // The same: whether a HEIF's or TIFF's JPEG display copy was written (false for the others).
    std::vector<bool> display_copies_written;
    // The derived names changed for a clash (AlbumNamePlan::renamed); empty for HTML-only.
    std::vector<std::string> renamed;
    // The same for each one's thumbnail for screens of twice the density (the modern pages).
    std::vector<bool> thumbnails_2x_written;
};

// Folders, materials, picture copies and thumbnails, with the progress messages and positions of
// the create button; a failed folder ends this stage only. The pictures are made on the context's
// workers; their progress positions and failure lines come in list order.
AlbumFilesOutcome PrepareAlbumFiles(const AlbumBuildContext& context);

// Bytes that making `plan`'s files holds at its peak (decoded and turned pictures), from the
// header of its source read through `codec` (`upright` receives the size read, {0, 0} when
// unreadable). 0 for a picture that is only copied.
std::int64_t AlbumPictureBytes(const PicturePlan& plan, int box_width, int box_height,
                               ImageCodec& codec, ImgKitSize& upright);

// Copy (turned where asked, or the file itself when unturned or not loadable) and thumbnail of one
// planned picture of any kind, in a box_width x box_height thumbnail box, and the plan's
// double-density thumbnail (DoubleDensityThumbnailSize, in the thumbnail's format) when it names
// one and the picture is larger than its thumbnail; one that cannot be saved is left out
// quietly, as the page then shows the plain thumbnail. `upright` is its size
// from the header when already read ({0, 0}: read it here). Safe to call on a worker thread: it
// reads only its arguments. A bad_alloc before the copy is in place (memory that ran out in a
// turn or its save), or a library's exception, goes up to the job driver; a thumbnail that finds
// no memory is the picture's NoMemory. A turned copy that had to leave the source's XMP out is
// saved and listed as XmpLeftOut. One reason per picture, the one that costs the album most.
// With `copy_current`, the copy an earlier build made stands: only the thumbnails are made (the
// same bytes as beside a new copy), and the outcome writes no copy. `file`: the source's bytes
// when the caller has read them (to hash them), which every step then uses instead of the file;
// none, or a picture turned over its own file, reads the file here.
PictureOutcome MakeAlbumPicture(const PicturePlan& plan, int box_width, int box_height,
                                ImageCodec& codec, ImgKitSize upright = {},
                                bool copy_current = false,
                                std::optional<PictureBytes> file = std::nullopt);

// The checked pictures as the pages show them, in list order, each linking its copy (a HEIF's or
// TIFF's display copy, or the picture itself when that was not made). A picture the build made
// (one per entry of `thumbnails_written`) shows the thumbnail it wrote, or itself when it wrote
// none; a picture it did not make (HTML-only, a folder not made) shows the thumbnail and display
// copy the album's folder holds, asked once, or itself.
// With read_captions, a picture whose comment is empty shows the caption stored in it
// (ReadCaptionFacts); with date_order, the pictures are in the order they were taken
// (OrderByCaptureTime, capture_order.h). Both read the pictures' metadata, drawing `progress` (may
// be null) as they go.
std::vector<PagePicture> AlbumPagePictures(const AlbumSettings& settings,
                                           const PictureSelection& pictures,
                                           const std::vector<bool>& thumbnails_written,
                                           const std::vector<bool>& display_copies_written = {},
                                           ProgressSink* progress = nullptr);

// What WriteAlbumPages did.
struct AlbumPagesOutcome {
    bool completed = true;  // false when an index page failed while being written (the build stops)
    bool stopped = false;   // a stop was asked for before every page was written
    int page_count = 0;     // index pages the album has
    int pages_handled = 0;  // index pages written or failed, with their slide shows, in order
    int pages_failed = 0;   // pages that could not be opened or written
    // What the user is told about each failed page, in the order of the pages; BuildAlbum shows
    // them once the progress display is gone.
    std::vector<std::string> messages;
};

// For the modern pages: each picture's shown size, read from the header of its thumbnail (or of
// the picture itself, shown at the thumbnail height), and its double-density thumbnail, with its
// width, when one was written: by the build for the pictures it made (one per entry of
// `thumbnails_2x_written`, as AlbumPagePictures counts them), else when the album's folder holds
// one. `pictures` are AlbumPagePictures'.
void MeasurePagePictures(const AlbumSettings& settings, std::vector<PagePicture>& pictures,
                         const std::vector<bool>& thumbnails_2x_written, ImageCodec& codec);

// All index pages and, with slide_mode, their slide-show pages, of `pictures` (AlbumPagePictures,
// measured by MeasurePagePictures for the modern pages), in the page style of the settings, with
// the progress of the HTML phase. The modern pages' style sheet is written first; one that cannot
// be written is counted and told as a page that failed. A page that cannot be opened is counted
// and the pages after it keep their own pictures; a page that fails while being written ends the
// phase; a stop starts no new page.
AlbumPagesOutcome WriteAlbumPages(const AlbumBuildContext& context,
                                  const std::vector<PagePicture>& pictures);

// BuildAlbum, also telling what happened.
bool BuildAlbum(const AlbumBuildContext& context, AlbumBuildReport& report);
