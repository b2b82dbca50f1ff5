// Feeds arbitrary bytes to the imaging layer as a picture file named .jpg, .bmp or .gif (chosen by
// the first byte, so the content and the name need not agree) and runs the operations the jobs
// run on whatever loads: measure, reduced-scale load, turn, resize and save; and the album's
// lossless turn of the bytes as a JPEG.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "imaging/imaging_limits.h"
#include "imaging/imgkit.h"
#include "imaging/lossless_turn.h"
#include "tests/fuzz/load_image_library.h"

namespace {

std::string Folder() {
    static const std::string folder = [] {
        std::string base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return base + "/image_fuzz_" + std::to_string(getpid()) + "_";
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    LoadImageLibraryOrAbort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const kExtensions[] = {".jpg", ".bmp", ".gif"};
    const char* extension = kExtensions[size > 0 ? data[0] % 3 : 0];
    const std::string path = Folder() + "in" + extension;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

    const ImgKitSize header = ImgKitUprightSize(path);
    if (header.width < 0 || header.height < 0 ||
        std::int64_t{header.width} * header.height > kMaxPicturePixels) {
        std::abort();
    }

    // As the preview loads: a damaged picture as far as it decodes, which reaches the most code.
    ImageHandle image = ImgKitFileLoad(path, 0, 0, ImgKitDamage::Show);
    if (image) {
        ImgKitInfoRecord info;
        ImgKitImageInfo(image, info);
        if (info.values[0] < 1 || info.values[1] < 1) std::abort();
        (void)ImgKitRotation(image);
        ImageHandle small = ImgKitImageSize(image, 1 + info.values[1] / 3, 1 + info.values[0] / 3);
        if (!small) std::abort();
        (void)ImgKitJpegEncode(small, 75);
        (void)ImgKitBmpEncode(small);
    }
    ImageHandle reduced = ImgKitFileLoad(path, 8, 8);
    if (reduced) {
        ImageHandle small = ImgKitImageSize(reduced, 4, 4);
        if (!small) std::abort();
    }
    unlink(path.c_str());
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)TurnJpegLosslessly(bytes, size > 1 ? 1 + data[1] % 3 : 1);
    return 0;
}
