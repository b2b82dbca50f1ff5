#include "album/generation/capture_order.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ctime>

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
