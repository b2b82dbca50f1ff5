#include "album/generation/album_build.h"

#include <algorithm>
#include <optional>

#include "album/generation/album_pipeline.h"
#include "album/generation/html_helpers.h"
#include "album/generation/index_page_writer.h"
#include "album/generation/slide_show_page_writer.h"
#include "browser/mul_div.h"
#include "platform/file_system.h"
#include "platform/picture_selection.h"
#include "platform/progress_sink.h"
#include "platform/shell_opener.h"
#include "platform/user_dialogs.h"

namespace {

// Saves the turned picture as `copy`: the losslessly turned file when there is one, else the turned
// pixels re-encoded at quality 100 (a JPEG keeping the source's metadata). When the copy is the
// picture itself (the album lies in the picture folder), the file the picture's path leads to is
// replaced, so that a picture kept behind a link stays where the link points; the save goes through
// a temporary file either way, so a failed save never harms the original.
bool SaveTurnedCopy(ImageCodec& codec, const std::string& source, const std::string& copy,
                    const ImageHandle& image, ImageKind kind,
                    const std::optional<std::string>& turned_file) {
    const std::string target = IsSameFile(source, copy) ? ResolvedPath(source) : copy;
    if (turned_file) return codec.WriteFile(target, *turned_file);
    return codec.SavePictureOf(source, target, image, kind, 100);
}

void CopyIfDifferent(const std::string& source, const std::string& copy) {
    // Paths are compared as texts: equal texts mean the copy is the source itself.
    if (source != copy) CopyFileReplacing(source, copy);
}

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

std::vector<AlbumPicturePlan> PlanAlbumPictures(const AlbumSettings& settings,
                                                const PictureSelection& pictures) {
    const std::string base = AlbumOutputFolder(settings);
    std::string folder = ExpandHome(settings.picture_path);
    // The picture page always leaves a separator at the end; a profile may not.
    if (!folder.empty() && folder.back() != '/' && folder.back() != kPathSeparator) {
        folder += kPathSeparator;
    }
    std::vector<AlbumPicturePlan> plans;
    for (int i = pictures.FirstChecked(); i != -1; i = pictures.NextChecked(i)) {
        AlbumPicturePlan plan;
        plan.index = i;
        plan.name = pictures.ItemText(i);
        plan.source = folder + plan.name;
        plan.copy = base + MakeAlbumPath(settings, kPictureFolderKind, plan.name, false);
        plan.thumbnail = base + MakeAlbumPath(settings, kThumbnailFolderKind, plan.name, false);
        plan.kind = ImageKindOfName(plan.source);
        plan.steps = pictures.GetQuarterTurns(i) % 4;
        plans.push_back(std::move(plan));
    }
    return plans;
}

bool MakePictureFiles(const AlbumBuildContext& context, const std::string& source,
                      const std::string& copy, const std::string& thumbnail, ImageKind kind,
                      int index) {
    const AlbumSettings& s = context.settings;
    ImageCodec& codec = context.codec;
    const int steps = context.pictures.GetQuarterTurns(index) % 4;

    // A JPEG whose turn its blocks allow is turned on the compressed data: no pixel changes and the
    // copy keeps about its size, where a re-encode at quality 100 doubles it or more.
    std::optional<std::string> turned_file;
    if (steps > 0 && kind == kJpegImage) turned_file = codec.TurnLosslessly(source, steps);

    // When the copy needs no pixels (copied as a file, or turned on its blocks), the one load only
    // feeds the thumbnail and may be decoded at a reduced scale when the picture is at least twice
    // the box (never below the thumbnail it makes). A re-encoded copy needs every pixel.
    int min_width = 0;
    int min_height = 0;
    if (steps <= 0 || turned_file) {
        const ImgKitSize upright = codec.UprightSize(source);
        const bool sideways = steps > 0 && steps % 2 == 1;
        const ImgKitSize shown = sideways ? ImgKitSize{upright.height, upright.width} : upright;
        if (shown.width > 0 && shown.height > 0) {
            const ImgKitSize fit =
                FitThumbnail(s.thumbnail_x, s.thumbnail_y, shown.width, shown.height);
            const int bw = std::max(1, s.thumbnail_x);
            const int bh = std::max(1, s.thumbnail_y);
            if (shown.width >= 2 * bw && shown.height >= 2 * bh) {
                // The load's minimum is in the axes of the picture before its turns.
                min_width = sideways ? fit.height : fit.width;
                min_height = sideways ? fit.width : fit.height;
            }
        }
    }

    ImageHandle image = codec.Load(source, min_width, min_height);
    if (!image) return false;
    for (int turn = 0; turn < steps; ++turn) codec.Rotate(image);

    if (steps <= 0) {
        CopyIfDifferent(source, copy);
    } else if (!SaveTurnedCopy(codec, source, copy, image, kind, turned_file)) {
        CopyIfDifferent(source, copy);
    }

    const ImgKitSize size = codec.Size(image);
    const ImgKitSize fit = FitThumbnail(s.thumbnail_x, s.thumbnail_y, size.width, size.height);
    ImageHandle small = codec.Resize(image, fit.width, fit.height);
    if (small) codec.SavePicture(thumbnail, small, kind, 100);
    return true;
}

void PrepareAlbumFiles(const AlbumBuildContext& context) {
    const AlbumSettings& s = context.settings;
    ProgressSink& progress = context.progress;
    UserDialogs& dialogs = context.dialogs;

    progress.SetMessage("フォルダの準備をしています...");
    progress.SetRange(7);
    progress.SetPos(0);
    const std::string base = AlbumOutputFolder(s);
    progress.SetPos(1);

    progress.SetMessage("具材をコピーしています...");
    std::string material = base + s.material_folder;
    if (!EnsureFolder(material, false, dialogs)) return;
    progress.SetPos(2);
    EnsureTrailingSeparator(material);
    if (const std::string m = MaterialFileName(s.name_bg); !m.empty())
        CopyFileReplacing(context.materials.wallpaper + m, material + m);
    progress.SetPos(3);
    if (const std::string m = MaterialFileName(s.name_hr); !m.empty())
        CopyFileReplacing(context.materials.rule + m, material + m);
    progress.SetPos(4);
    if (const std::string m = MaterialFileName(s.name_bgm); !m.empty())
        CopyFileReplacing(context.materials.sound + m, material + m);
    progress.SetPos(5);

    if (s.html_only != 0) return;
    if (s.out_sorce == 0 && !EnsureFolder(base + s.pic_folder, false, dialogs)) return;
    progress.SetPos(6);
    if (!EnsureFolder(base + s.thumb_folder, false, dialogs)) return;
    progress.SetPos(7);

    progress.SetMessage("サムネイルを作成しています...");
    progress.SetRange(std::max(1, context.pictures.CheckedCount()));
    progress.SetPos(0);
    int counter = 1;
    for (const AlbumPicturePlan& plan : PlanAlbumPictures(s, context.pictures)) {
        if (plan.kind == kJpegImage || plan.kind == kBmpImage) {
            if (!MakePictureFiles(context, plan.source, plan.copy, plan.thumbnail, plan.kind,
                                  plan.index)) {
                CopyIfDifferent(plan.source, plan.copy);
            }
        } else {
            // A GIF is copied as it is, without a thumbnail: the page shows the picture itself.
            CopyIfDifferent(plan.source, plan.copy);
        }
        progress.SetPos(counter++);
    }
}

bool WriteAlbumPages(const AlbumBuildContext& context, int* pages_not_opened) {
    const AlbumSettings& s = context.settings;
    const int page_count = AlbumPageCount(s, context.pictures.CheckedCount());
    context.progress.SetMessage("HTMLを作成しています...");
    context.progress.SetRange(page_count);
    int first = context.pictures.FirstChecked();
    for (int page = 1; page <= page_count; ++page) {
        PageWriteResult status = PageWriteResult::Written;
        const int next =
            WriteIndexPage(s, context.pictures, context.dialogs, page, page_count, first, &status);
        if (next == -2) return false;
        if (status == PageWriteResult::OpenFailed && pages_not_opened != nullptr) {
            ++*pages_not_opened;
        }
        if (s.slide_mode != 0) {
            WriteSlideShowPage(s, context.pictures, context.dialogs, page, page_count, first);
        }
        context.progress.SetPos(page);
        // A page that could not be opened passes -1 on, as a page without pictures left does.
        first = next;
    }
    return true;
}

bool BuildAlbum(const AlbumBuildContext& context, AlbumBuildReport& report) {
    report = {};
    if (context.pictures.CheckedCount() == 0) {
        context.dialogs.ShowMessage(
            "画像ﾌｧｲﾙが選択されていません。\n「ピクチャー」タグをクリックして選択してください。",
            std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok);
        return false;
    }
    context.progress.Open();
    PrepareAlbumFiles(context);
    const bool ok = WriteAlbumPages(context, &report.pages_not_opened);
    context.progress.Close();
    report.pages_written = ok;
    if (ok) {
        MessageAnswer answer = context.dialogs.ShowMessage(
            "今すぐブラウザで見ますか？", std::string(), MessageIcon::None, MessageButtons::YesNo);
        if (answer == MessageAnswer::Yes) {
            context.shell.OpenWithShell(AlbumOutputFolder(context.settings) +
                                        context.settings.html_name + ".html");
        }
    }
    return ok;
}

bool BuildAlbum(const AlbumBuildContext& context) {
    AlbumBuildReport report;
    return BuildAlbum(context, report);
}
