#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_dir.h"

// One picture of tests/data as its MANIFEST.tsv describes it.
struct SweepPicture {
    std::string path;     // relative to tests/data, e.g. "bmp/bad/badrle.bmp"
    std::string content;  // what the bytes really are: "JPEG", "BMP", "GIF89a", "PNG", ...
    int width = 0;        // the size a correct load gives (upright where the manifest says)
    int height = 0;
    std::int64_t declared_pixels = 0;  // what the header claims, 0 when unknown
    std::string expect;  // decode, decode-warn, decode-or-refuse, refuse-or-partial, refuse, ...

    // The file name used in a flat test folder: the path with "/" turned into "__", so that the
    // groups' equal names do not collide and each name still ends in its own extension.
    std::string FlatName() const {
        std::string name = path;
        for (std::size_t i = name.find('/'); i != std::string::npos; i = name.find('/', i + 2))
            name.replace(i, 1, "__");
        return name;
    }
    bool MustDecode() const { return expect == "decode" || expect == "decode-warn"; }
    bool MustBeRefused() const { return expect == "refuse"; }
};

namespace sweep_detail {

// "127x-64" gives 127 and 64 (a top-down BMP declares a negative height); "-" gives 0 and 0.
inline void ParseSize(const std::string& text, std::int64_t& w, std::int64_t& h) {
    w = h = 0;
    const std::size_t x = text.find('x');
    if (x == std::string::npos) return;
    w = std::llabs(std::atoll(text.substr(0, x).c_str()));
    h = std::llabs(std::atoll(text.substr(x + 1).c_str()));
}

}  // namespace sweep_detail

// Every picture of the manifest, in its order. Empty when the manifest cannot be read.
inline std::vector<SweepPicture> ReadSweepManifest() {
    std::vector<SweepPicture> pictures;
    std::ifstream in(TestDataPath("MANIFEST.tsv"));
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        std::string field;
        while (std::getline(fields, field, '\t')) f.push_back(field);
        if (f.size() < 6) continue;
        SweepPicture p;
        p.path = f[0];
        p.content = f[2];
        std::int64_t w = 0;
        std::int64_t h = 0;
        sweep_detail::ParseSize(f[3], w, h);
        p.declared_pixels = w * h;
        if (f[4] != "-") sweep_detail::ParseSize(f[4], w, h);
        p.width = static_cast<int>(w > INT32_MAX ? 0 : w);
        p.height = static_cast<int>(h > INT32_MAX ? 0 : h);
        p.expect = f[5];
        pictures.push_back(p);
    }
    return pictures;
}

// The manifest's pictures whose path starts with one of `prefixes` (all when empty).
inline std::vector<SweepPicture> SweepPicturesUnder(const std::vector<std::string>& prefixes) {
    std::vector<SweepPicture> chosen;
    for (const SweepPicture& p : ReadSweepManifest()) {
        bool take = prefixes.empty();
        for (const std::string& prefix : prefixes) take = take || p.path.rfind(prefix, 0) == 0;
        if (take) chosen.push_back(p);
    }
    return chosen;
}

// The manifest's pictures whose data ends early or is corrupt (the decoder library warns of it, a
// BMP's rows run past its end): every job refuses them as unreadable, as it refuses the copies of
// CutSweepPictures, and never writes over them.
inline bool IsDamagedSweepPicture(const std::string& path) {
    for (const char* damaged :
         {"jpeg/bad/gen_truncated_half_baseline.jpg",
          "jpeg/bad/gen_truncated_third_progressive.jpg", "jpeg/bad/gen_corrupt_entropy_data.jpg",
          "jpeg/bad/jd_dc-predictor-overflow.jpg", "jpeg/bad/jd_subtract-with-overflow.jpg",
          "bmp/bad/shortfile.bmp", "bmp/bad/badrle.bmp", "bmp/bad/badrle4.bmp"}) {
        if (path == damaged) return true;
    }
    return false;
}

// Pictures cut at 60 % of their length, as a download cut short leaves them (a baseline and a
// progressive photograph, an uncompressed and a run-length BMP): name -> bytes.
inline std::vector<std::pair<std::string, std::string>> CutSweepPictures() {
    std::vector<std::pair<std::string, std::string>> cut;
    for (const char* path :
         {"photos/ladybird.jpg", "photos/wall_clock.jpg", "bmp/good/photo_640x504_24bit.bmp",
          "bmp/good/photo_400x315_8bit_rle8.bmp"}) {
        const std::string bytes = ReadTestFile(TestDataPath(path));
        const std::string name = path;
        cut.emplace_back("cut_" + name.substr(name.rfind('/') + 1),
                         bytes.substr(0, bytes.size() * 6 / 10));
    }
    return cut;
}
