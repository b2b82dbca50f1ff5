#pragma once

#include <QImage>
#include <QImageReader>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/image_library.h"
#include "tests/support/recording_user_dialogs.h"
#include "tests/support/temp_dir.h"

// One line of tests/data/MANIFEST.tsv.
struct ManifestEntry {
    std::string path;
    std::string declared;  // "WxH", "-" when unknown
    std::string upright;   // "WxH" for the orientation set, else "-"
    std::string expect;
};

inline std::vector<ManifestEntry> ReadManifest() {
    std::vector<ManifestEntry> entries;
    std::ifstream in(TestDataPath("MANIFEST.tsv"));
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::stringstream s(line);
        std::string field;
        while (std::getline(s, field, '\t')) f.push_back(field);
        if (f.size() < 6) continue;
        entries.push_back({f[0], f[3], f[4], f[5]});
    }
    return entries;
}

// "127x-64" -> {127, 64}; {0, 0} for "-".
inline std::pair<int, int> ParseSize(const std::string& text) {
    const size_t x = text.find('x');
    if (x == std::string::npos) return {0, 0};
    return {std::abs(std::stoi(text.substr(0, x))), std::abs(std::stoi(text.substr(x + 1)))};
}

// Mean absolute difference per channel (0-255) of two pictures of one size; 255 when they differ
// in size.
inline double MeanAbsDiff(const QImage& a0, const QImage& b0) {
    if (a0.size() != b0.size()) return 255;
    const QImage a = a0.convertToFormat(QImage::Format_RGB32);
    const QImage b = b0.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            sum += std::abs(qRed(pa[x]) - qRed(pb[x])) + std::abs(qGreen(pa[x]) - qGreen(pb[x])) +
                   std::abs(qBlue(pa[x]) - qBlue(pb[x]));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

// How far a written picture, as a viewer shows it (its orientation tag applied), is from the
// upright photograph of the orientation set scaled to the same size: the mean absolute difference
// per channel (0-255). A picture turned or mirrored the wrong way is far off.
inline double DistanceFromUprightOrientationPhoto(const std::string& written, bool portrait) {
    QImageReader shown_reader(QString::fromStdString(written));
    shown_reader.setAutoTransform(true);
    const QImage shown = shown_reader.read();
    if (shown.isNull()) return 255;
    const std::string upright =
        std::string("exif-orientation/") + (portrait ? "Portrait" : "Landscape") + "_1.jpg";
    QImageReader reference_reader(QString::fromStdString(TestDataPath(upright)));
    reference_reader.setAutoTransform(true);
    const QImage reference = reference_reader.read().scaled(shown.size(), Qt::IgnoreAspectRatio,
                                                            Qt::SmoothTransformation);
    return MeanAbsDiff(shown, reference);
}

// Loads the imaging layer once for the test program (as both programs do at start-up).
inline void EnsureImagingLoaded() {
    if (ImageLibrary::IsLoaded()) return;
    RecordingUserDialogs dialogs;
    ImageLibrary::Load(dialogs);
}
