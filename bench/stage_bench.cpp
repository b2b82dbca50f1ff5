// Where the time of one picture goes: runs the jobs' own per-picture work (the resize of
// `scalvo-cli --width 1600 --quality 85`, the album's copy + 100 x 100 thumbnail, and its turned
// copy + thumbnail) through a codec that times every call the job makes through the imaging seam,
// and prints the median of each stage in milliseconds. What the seam does not see (the album's
// file copy) is the rest of the total. Run it under `valgrind --tool=callgrind` for instruction
// counts: each stage is the inclusive cost of the ImageCodec method of that name, and the load
// splits further into its own helpers.
//
// Usage: stage_bench PHOTO.jpg [REPEATS]   (default 5 repeats; 1 under valgrind)

#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "album/generation/album_pipeline.h"
#include "imaging/image_codec.h"
#include "imaging/image_library.h"
#include "platform/console_user_dialogs.h"
#include "resizer/job/batch_resize.h"

namespace {

using Clock = std::chrono::steady_clock;

// Forwards every call to the real codec and adds its time to the stage of that name.
class TimingCodec : public ImageCodec {
  public:
    std::map<std::string, double> ms;

    template <typename F>
    auto Timed(const char* stage, F&& f) {
        const auto start = Clock::now();
        auto result = f();
        ms[stage] += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        return result;
    }

    ImageHandle Load(const std::string& path, int min_width, int min_height) override {
        return Timed("load (read, probe, decode, orient)",
                     [&] { return ImageCodec::Load(path, min_width, min_height); });
    }
    ImgKitSize UprightSize(const std::string& path) override {
        return Timed("header probe", [&] { return ImageCodec::UprightSize(path); });
    }
    void Rotate(ImageHandle& image) override {
        Timed("turn", [&] {
            ImageCodec::Rotate(image);
            return 0;
        });
    }
    ImageHandle Resize(const ImageHandle& image, int width, int height) override {
        return Timed("resample", [&] { return ImageCodec::Resize(image, width, height); });
    }
    std::optional<std::string> EncodeJpeg(const ImageHandle& image, int quality) override {
        return Timed("encode", [&] { return ImageCodec::EncodeJpeg(image, quality); });
    }
    bool WriteFile(const std::string& path, const std::string& bytes, const FileToReplace* replaces,
                   ReplaceFailure* failure) override {
        return Timed("file output",
                     [&] { return ImageCodec::WriteFile(path, bytes, replaces, failure); });
    }
    std::optional<std::string> TurnLosslessly(const std::string& source, int quarter_turns,
                                              bool* xmp_too_large) override {
        return Timed("lossless turn", [&] {
            return ImageCodec::TurnLosslessly(source, quarter_turns, xmp_too_large);
        });
    }
    std::string CarryMetadata(const std::string& source, const std::string& encoded,
                              bool* xmp_too_large) override {
        return Timed("metadata",
                     [&] { return ImageCodec::CarryMetadata(source, encoded, xmp_too_large); });
    }
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Runs `job` `repeats` times on a fresh codec each and prints the median of every stage.
template <typename Job>
void Report(const char* title, int repeats, Job job) {
    std::map<std::string, std::vector<double>> stages;
    std::vector<double> totals;
    for (int r = 0; r < repeats; ++r) {
        TimingCodec codec;
        const auto start = Clock::now();
        job(codec);
        const double total =
            std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        double seen = 0;
        for (const auto& [name, t] : codec.ms) {
            stages[name].push_back(t);
            seen += t;
        }
        stages["(rest: file copy, job)"].push_back(total - seen);
        totals.push_back(total);
    }
    std::printf("%s\n", title);
    for (const auto& [name, v] : stages) std::printf("  %-38s %8.1f ms\n", name.c_str(), Median(v));
    std::printf("  %-38s %8.1f ms\n", "total", Median(totals));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: stage_bench PHOTO.jpg [REPEATS]\n");
        return 2;
    }
    const std::string photo = argv[1];
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    ConsoleUserDialogs dialogs(std::cerr, "stage_bench", false);
    if (!ImageLibrary::Load(dialogs)) return 1;
    QTemporaryDir temp;
    const std::string out = temp.path().toStdString() + "/";

    ResizerSettings settings;
    settings.sizeMode = FitWidth;
    settings.targetWidth = 1600;
    settings.jpegQuality = 85;
    PicturePlan resize;
    resize.line = 0;
    resize.source = photo;
    resize.output = out + "resized.jpg";
    resize.kind = kJpegImage;
    bool ok = true;
    Report("resize to width 1600 at quality 85", repeats, [&](ImageCodec& codec) {
        const PictureOutcome outcome = ResizePlannedPicture(settings, resize, codec);
        ok = outcome.output_written && !outcome.Failed() && ok;
    });

    PicturePlan album;
    album.line = 0;
    album.name = "picture.jpg";
    album.source = photo;
    album.output = out + "picture.jpg";
    album.thumbnail = out + "_picture.jpg";
    album.kind = kJpegImage;
    Report("album picture: copy and 100 x 100 thumbnail", repeats, [&](ImageCodec& codec) {
        ImgKitSize upright;
        AlbumPictureBytes(album, 100, 100, codec, upright);  // the pool's estimate reads the header
        ok = !MakeAlbumPicture(album, 100, 100, codec, upright).Failed() && ok;
    });
    album.turns = 1;
    Report("album picture: turned copy and thumbnail", repeats, [&](ImageCodec& codec) {
        ImgKitSize upright;
        AlbumPictureBytes(album, 100, 100, codec, upright);
        ok = !MakeAlbumPicture(album, 100, 100, codec, upright).Failed() && ok;
    });
    if (!ok) std::fprintf(stderr, "a picture failed\n");
    return ok ? 0 : 1;
}
