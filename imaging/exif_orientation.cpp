#include "imaging/exif_orientation.h"

#include <cstdint>

namespace {

struct Reader {
    std::string_view bytes;
    bool little = true;

    bool Has(std::uint64_t at, std::uint64_t count) const {
        return at <= bytes.size() && count <= bytes.size() - at;
    }
    std::uint32_t Get(std::uint64_t at, int count) const {
        std::uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            const auto byte = static_cast<std::uint8_t>(bytes[at + (little ? count - 1 - i : i)]);
            value = value << 8 | byte;
        }
        return value;
    }
};

}  // namespace

int ExifOrientation(std::string_view exif) {
    using namespace std::string_view_literals;
    if (exif.substr(0, 6) == "Exif\0\0"sv) exif.remove_prefix(6);
    Reader r{exif};
    if (exif.substr(0, 4) == "II*\0"sv) {
        r.little = true;
    } else if (exif.substr(0, 4) == "MM\0*"sv) {
        r.little = false;
    } else {
        return 0;
    }
    if (!r.Has(4, 4)) return 0;
    const std::uint64_t ifd = r.Get(4, 4);
    if (!r.Has(ifd, 2)) return 0;
    const std::uint32_t count = r.Get(ifd, 2);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = ifd + 2 + std::uint64_t{12} * i;
        if (!r.Has(entry, 12)) return 0;
        if (r.Get(entry, 2) != 0x0112) continue;
        // A SHORT, one of it, kept in the entry itself.
        if (r.Get(entry + 2, 2) != 3 || r.Get(entry + 4, 4) < 1) return 0;
        const std::uint32_t value = r.Get(entry + 8, 2);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 0;
    }
    return 0;
}
