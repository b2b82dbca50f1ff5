// Time from highlighting a 24-megapixel photograph to its preview being painted.
//
// The browser panel loads the highlighted picture at the preview frame's scale (a JPEG is decoded
// at the smallest DCT scale that still fills the frame), applies the user's turns and draws it
// fitted into the frame. This program times that path on a 6000 x 4000 JPEG made at run time from a
// test photograph with ImageMagick's `convert`, against a full-size decode drawn the same way, and
// prints both medians and their ratio.
//
// Run: preview_bench [photo.jpg] [frame_width frame_height]

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "imaging/image_library.h"
#include "imaging/imgkit.h"
#include "platform/console_user_dialogs.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// One preview as the panel makes it: load at the frame's scale, turn, draw into the frame.
double PreviewMs(const std::string& path, int frame_w, int frame_h, int min_w, int min_h,
                 int turns) {
    QImage frame(frame_w, frame_h, QImage::Format_RGB32);
    const auto start = Clock::now();
    ImageHandle image = ImgKitFileLoad(path, min_w, min_h);
    if (!image) return -1;
    for (int i = 0; i < turns; ++i) ImgKitRotation(image);
    QPainter painter(&frame);
    ImgKitDisplay(painter, frame.rect(), image);
    painter.end();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::string photo = "tests/data/photos/aitzgorri_mountains.jpg";
#ifdef PICTAVO_SOURCE_DIR
    photo = std::string(PICTAVO_SOURCE_DIR) + "/tests/data/photos/aitzgorri_mountains.jpg";
#endif
    if (argc > 1) photo = argv[1];
    int frame_w = 234;  // the Picture page's frame inside, at 96 dpi
    int frame_h = 198;
    if (argc > 3) {
        frame_w = std::atoi(argv[2]);
        frame_h = std::atoi(argv[3]);
    }

    ConsoleUserDialogs dialogs(std::cerr, "preview_bench", false);
    if (!ImageLibrary::Load(dialogs)) return 1;

    const fs::path work = fs::temp_directory_path() / "pictavo-preview-bench";
    fs::create_directories(work);
    const std::string big = (work / "24mp.jpg").string();
    const std::string command =
        "convert \"" + photo + "\" -resize 6000x4000! -quality 92 \"" + big + "\" 2>/dev/null";
    if (std::system(command.c_str()) != 0 || !fs::exists(big)) {
        std::cerr << "could not make the 24-megapixel picture with convert from " << photo << "\n";
        return 1;
    }

    const int runs = 9;
    std::vector<double> scaled, scaled_turned, full;
    PreviewMs(big, frame_w, frame_h, frame_w, frame_h, 0);  // warm the file cache
    for (int i = 0; i < runs; ++i) {
        scaled.push_back(PreviewMs(big, frame_w, frame_h, frame_w, frame_h, 0));
        scaled_turned.push_back(PreviewMs(big, frame_w, frame_h, frame_w, frame_h, 1));
        full.push_back(PreviewMs(big, frame_w, frame_h, 0, 0, 0));
    }
    const double s = Median(scaled), t = Median(scaled_turned), f = Median(full);
    std::printf("24-megapixel JPEG (6000 x 4000), frame %d x %d, median of %d runs\n", frame_w,
                frame_h, runs);
    std::printf("  preview at the frame's scale:          %8.1f ms\n", s);
    std::printf("  the same with one quarter turn:        %8.1f ms\n", t);
    std::printf("  full decode, then drawn the same way:  %8.1f ms\n", f);
    std::printf("  full / frame-scale ratio:              %8.1f x\n", f / s);
    fs::remove_all(work);
    ImageLibrary::Unload();
    return 0;
}
