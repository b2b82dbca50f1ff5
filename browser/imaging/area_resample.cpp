#include "browser/imaging/area_resample.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <new>
#include <vector>

namespace {

// Weights are fixed-point with 14 fraction bits; the weights of one output pixel sum to exactly
// kOne, so a flat area stays exactly flat.
constexpr int kWeightBits = 14;
constexpr std::uint32_t kOne = 1u << kWeightBits;

// The source pixels that make one output pixel: taps [first, first + weights.size()).
struct Taps {
    int first = 0;
    std::vector<std::uint32_t> weights;
};

// Turns real weights (summing to 1) into fixed-point ones summing to exactly kOne by rounding the
// running total, so no output pixel gains or loses brightness through rounding.
std::vector<std::uint32_t> Quantise(const std::vector<double>& w) {
    std::vector<std::uint32_t> out(w.size());
    double total = 0;
    for (double x : w) total += x;
    double cumulative = 0;
    std::uint32_t previous = 0;
    for (size_t i = 0; i < w.size(); ++i) {
        cumulative += w[i] / total;
        std::uint32_t now =
            i + 1 == w.size() ? kOne : static_cast<std::uint32_t>(std::lround(cumulative * kOne));
        now = std::clamp(now, previous, kOne);
        out[i] = now - previous;
        previous = now;
    }
    return out;
}

std::vector<Taps> BuildTaps(int source, int destination) {
    std::vector<Taps> taps(destination);
    const double scale = static_cast<double>(source) / destination;
    for (int i = 0; i < destination; ++i) {
        std::vector<double> w;
        int first = 0;
        if (destination < source) {
            // Box: output i covers [i * scale, (i + 1) * scale) of the source.
            const double a = i * scale;
            const double b = std::min<double>((i + 1) * scale, source);
            first = static_cast<int>(std::floor(a));
            const int last = std::min(source - 1, static_cast<int>(std::ceil(b)) - 1);
            for (int j = first; j <= last; ++j) {
                const double overlap = std::min<double>(b, j + 1) - std::max<double>(a, j);
                w.push_back(std::max(0.0, overlap));
            }
        } else if (destination > source) {
            // Tent: centres aligned, edges clamped.
            const double x = (i + 0.5) * scale - 0.5;
            int j0 = static_cast<int>(std::floor(x));
            double f = x - j0;
            if (j0 < 0) {
                j0 = 0;
                f = 0;
            }
            if (j0 >= source - 1) {
                j0 = source - 1;
                f = 0;
            }
            first = j0;
            w.push_back(1 - f);
            if (f > 0) w.push_back(f);
        } else {
            first = i;
            w.push_back(1);
        }
        // Drop zero-weight taps at the ends so loops stay short.
        while (w.size() > 1 && w.back() <= 0) w.pop_back();
        while (w.size() > 1 && w.front() <= 0) {
            w.erase(w.begin());
            ++first;
        }
        taps[i].first = first;
        taps[i].weights = Quantise(w);
    }
    return taps;
}

}  // namespace

QImage AreaResample(const QImage& input, int width, int height) {
    if (input.isNull() || width < 1 || height < 1) return {};
    const QImage source = input.format() == QImage::Format_RGB32
                              ? input
                              : input.convertToFormat(QImage::Format_RGB32);
    if (source.isNull()) return {};
    if (source.width() == width && source.height() == height) return source.copy();

    try {
        QImage out(width, height, QImage::Format_RGB32);
        if (out.isNull()) return {};
        const std::vector<Taps> tx = BuildTaps(source.width(), width);
        const std::vector<Taps> ty = BuildTaps(source.height(), height);

        // Horizontally filtered source rows, 3 channels of 16 bits holding value * 16, kept in a
        // window that slides down as output rows advance (taps' first rows never go back).
        std::deque<std::vector<std::uint16_t>> window;
        int window_start = 0;
        auto filter_row = [&](int y) {
            std::vector<std::uint16_t> row(static_cast<size_t>(width) * 3);
            const QRgb* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                const Taps& t = tx[x];
                std::uint32_t c0 = 0, c1 = 0, c2 = 0;
                const QRgb* p = line + t.first;
                for (std::uint32_t w : t.weights) {
                    c0 += qRed(*p) * w;
                    c1 += qGreen(*p) * w;
                    c2 += qBlue(*p) * w;
                    ++p;
                }
                constexpr int shift = kWeightBits - 4;
                constexpr std::uint32_t half = 1u << (shift - 1);
                row[x * 3 + 0] = static_cast<std::uint16_t>((c0 + half) >> shift);
                row[x * 3 + 1] = static_cast<std::uint16_t>((c1 + half) >> shift);
                row[x * 3 + 2] = static_cast<std::uint16_t>((c2 + half) >> shift);
            }
            return row;
        };

        std::vector<std::uint32_t> acc(static_cast<size_t>(width) * 3);
        for (int y = 0; y < height; ++y) {
            const Taps& t = ty[y];
            const int end = t.first + static_cast<int>(t.weights.size());
            while (window_start < t.first && !window.empty()) {
                window.pop_front();
                ++window_start;
            }
            if (window.empty()) window_start = t.first;
            while (window_start + static_cast<int>(window.size()) < end)
                window.push_back(filter_row(window_start + static_cast<int>(window.size())));

            std::fill(acc.begin(), acc.end(), 0u);
            for (size_t k = 0; k < t.weights.size(); ++k) {
                const std::uint32_t w = t.weights[k];
                const std::uint16_t* row = window[t.first - window_start + k].data();
                for (size_t i = 0; i < acc.size(); ++i) acc[i] += row[i] * w;
            }
            QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
            constexpr int shift = kWeightBits + 4;
            constexpr std::uint32_t half = 1u << (shift - 1);
            auto channel = [&](size_t i) {
                return static_cast<int>(std::min(255u, (acc[i] + half) >> shift));
            };
            for (int x = 0; x < width; ++x)
                o[x] = qRgb(channel(x * 3 + 0), channel(x * 3 + 1), channel(x * 3 + 2));
        }
        return out;
    } catch (const std::bad_alloc&) {
        return {};
    }
}
