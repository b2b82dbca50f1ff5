// What each kind of picture costs: the decode of a 12-megapixel picture of every kind (its
// median wall time, the CPU time it took on all threads, and the peak memory of a process that
// does nothing else), a HEIC's thumbnail item against its whole decode, and every encoder on a
// picture 1600 pixels wide. The pictures are made here from one photograph by the imaging layer's
// own encoders (the HEIC with a thumbnail item through libheif), so nothing is downloaded.
//
// "threads" is the most threads the step started beside its own (a library's workers, or a pool
// it keeps): every decode and encode should run on the calling thread alone (0), the jobs'
// workers being the parallelism.
//
// Usage: format_bench PHOTO.jpg [REPEATS]   (default 5)

#include <libheif/heif.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "imaging/image_library.h"
#include "imaging/imgkit.h"
#include "imaging/picture_codec.h"
#include "platform/console_user_dialogs.h"

namespace {

using Clock = std::chrono::steady_clock;

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

struct Timing {
    double wall_ms = 0;  // median
    double cpu_ms = 0;   // median, every thread of the process
    int threads = 0;     // the most threads the step ran beside its own (libraries' workers)
};

int ThreadCount() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        (void)entry;
        ++count;
    }
    return count;
}

Timing Time(int repeats, const std::function<void()>& step) {
    std::vector<double> wall, cpu;
    std::atomic<bool> running{true};
    std::atomic<int> most{0};
    const int before = ThreadCount() + 1;  // the sampler
    std::thread sampler([&] {
        while (running) {
            most = std::max(most.load(), ThreadCount() - before);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    for (int i = 0; i < repeats; ++i) {
        const double cpu_start = ProcessCpuMs();
        const auto start = Clock::now();
        step();
        wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cpu.push_back(ProcessCpuMs() - cpu_start);
    }
    running = false;
    sampler.join();
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2], most};
}

// The peak resident memory, in MB, of a child process that runs `step` once, less that of one
// that runs nothing: what the step itself holds at its peak.
double PeakMb(const std::function<void()>& step) {
    const auto peak = [](const std::function<void()>& run) {
        const pid_t child = fork();
        if (child == 0) {
            run();
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        return usage.ru_maxrss / 1024.0;
    };
    return peak(step) - peak([] {});
}

// A HEIC of `image` with a thumbnail item of at most `thumbnail` pixels a side.
std::string HeicWithThumbnail(const ImageHandle& image, int thumbnail) {
    const std::optional<std::string> png = EncodePicture(image, {kPngImage});
    const DecodedPicture decoded = DecodePicture(*png);
    const QImage* pixels = ImgKitPixels(decoded.image);
    const QImage rgb = pixels->convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 60);
    heif_encoder_set_parameter_string(encoder, "preset", "fast");
    heif_image* himage = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                      &himage);
    heif_image_add_plane(himage, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(himage, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::copy_n(rgb.constScanLine(y), rgb.width() * 3, plane + static_cast<size_t>(y) * stride);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context, himage, encoder, nullptr, &handle);
    heif_image_handle* thumb = nullptr;
    heif_context_encode_thumbnail(context, himage, handle, encoder, nullptr, thumbnail, &thumb);
    std::string out;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* user) {
                           static_cast<std::string*>(user)->append(static_cast<const char*>(data),
                                                                   size);
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context, &writer, &out);
    heif_image_handle_release(thumb);
    heif_image_handle_release(handle);
    heif_image_release(himage);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return out;
}

struct Kind {
    const char* name;
    EncodeSettings settings;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: format_bench PHOTO.jpg [REPEATS]\n");
        return 2;
    }
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    ConsoleUserDialogs dialogs(std::cerr, "format_bench", false);
    if (!ImageLibrary::Load(dialogs)) return 1;
    const ImageHandle photo = ImgKitFileLoad(argv[1]);
    if (!photo) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const ImageHandle twelve = ImgKitImageSize(photo, 4000, 3000);
    const ImageHandle small = ImgKitImageSize(photo, 1600, 1200);

    const Kind kinds[] = {
        {"JPEG q90", {kJpegImage, 90}},
        {"PNG", {kPngImage}},
        {"WebP q90", {kWebpImage, 90}},
        {"WebP lossless", {kWebpImage, 90, true}},
        {"AVIF q60", {kAvifImage, 60}},
        {"HEIC q60", {kHeifImage, 60}},
        {"TIFF LZW", {kTiffImage, 0, false, true}},
        {"TIFF", {kTiffImage, 0, false, false}},
    };

    std::printf("decode of 4000 x 3000 (%d repeats; cpu: all threads)\n", repeats);
    std::printf("  %-15s %10s %9s %9s %8s %9s\n", "kind", "file KB", "wall ms", "cpu ms", "threads",
                "peak MB");
    for (const Kind& kind : kinds) {
        const std::optional<std::string> file = EncodePicture(twelve, kind.settings);
        if (!file) {
            std::printf("  %-15s cannot be written\n", kind.name);
            continue;
        }
        const Timing t = Time(repeats, [&] { (void)DecodePicture(*file); });
        const double peak = PeakMb([&] { (void)DecodePicture(*file); });
        std::printf("  %-15s %10zu %9.1f %9.1f %8d %9.1f\n", kind.name, file->size() / 1024,
                    t.wall_ms, t.cpu_ms, t.threads, peak);
    }

    const std::string heic = HeicWithThumbnail(twelve, 320);
    std::printf("HEIC 4000 x 3000 with a 320 x 240 thumbnail item, %zu KB\n", heic.size() / 1024);
    for (const int box : {0, 100, 320, 400}) {
        const DecodeRequest request{box, box * 3 / 4, ImgKitDamage::Refuse};
        int decoded_width = 0;
        const Timing t = Time(repeats, [&] {
            const DecodedPicture d = DecodePicture(heic, request);
            decoded_width = d.image ? ImgKitPixels(d.image)->width() : 0;
        });
        std::printf("  wanted %4d x %4d: decoded %4d wide, %8.1f ms wall, %8.1f ms cpu\n", box,
                    box * 3 / 4, decoded_width, t.wall_ms, t.cpu_ms);
    }

    std::printf("encode of 1600 x 1200 (%d repeats)\n", repeats);
    std::printf("  %-15s %10s %9s %9s %8s\n", "kind", "file KB", "wall ms", "cpu ms", "threads");
    for (Kind kind : kinds) {
        if (kind.settings.kind == kJpegImage) kind.settings.quality = 85;
        std::optional<std::string> file;
        const Timing t = Time(repeats, [&] { file = EncodePicture(small, kind.settings); });
        std::printf("  %-15s %10zu %9.1f %9.1f %8d\n", kind.name, file ? file->size() / 1024 : 0,
                    t.wall_ms, t.cpu_ms, t.threads);
    }
    return 0;
}
