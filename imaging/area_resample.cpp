#include "imaging/area_resample.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <vector>

#include "imaging/pixel_buffer.h"

// Written for the compiler's vectoriser (see the options of this file in CMakeLists.txt): the
// vertical pass and the conversions are flat loops over a row's bytes, and the horizontal pass
// treats each pixel's four bytes (the colours and the padding byte, in memory order) as four
// float lanes with a fixed inner loop. Floats keep each sum far closer than one level, so no
// fixed-point rounding shifts the picture's brightness.

#if defined(__GNUC__) && defined(__x86_64__) && defined(__linux__)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VECTOR_CLONES
#endif
#if defined(__GNUC__)
#define ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define ALWAYS_INLINE inline
#endif

namespace {

// The source pixels that make each output pixel along one axis: output i reads source pixels
// [first[i], first[i] + count) with weights weights[i * count + k]. Every output has the same
// count (padded with zero weights), so the loops have a fixed shape.
struct Taps {
    int count = 0;
    std::vector<int> first;
    std::vector<float> weights;
};

// The taps of `destination` outputs showing the source span [start, start + extent) of a line of
// `source` pixels.
Taps BuildTaps(int source, int destination, double start, double extent) {
    std::vector<std::vector<double>> w(static_cast<size_t>(destination));
    std::vector<int> first(static_cast<size_t>(destination));
    const double scale = extent / destination;
    const bool whole = start == 0 && extent == source;
    for (int i = 0; i < destination; ++i) {
        std::vector<double>& wi = w[i];
        int f = 0;
        if (whole && destination == source) {
            f = i;
            wi.push_back(1);
        } else if (destination <= extent) {
            // Box: output i covers [start + i * scale, start + (i + 1) * scale) of the source.
            const double a = start + i * scale;
            const double b = std::min<double>(start + (i + 1) * scale, source);
            f = static_cast<int>(std::floor(a));
            const int last = std::min(source - 1, static_cast<int>(std::ceil(b)) - 1);
            for (int j = f; j <= last; ++j) {
                const double overlap = std::min<double>(b, j + 1) - std::max<double>(a, j);
                wi.push_back(std::max(0.0, overlap));
            }
        } else {
            // Tent: centres aligned, edges clamped.
            const double x = start + (i + 0.5) * scale - 0.5;
            int j0 = static_cast<int>(std::floor(x));
            double frac = x - j0;
            if (j0 < 0) {
                j0 = 0;
                frac = 0;
            }
            if (j0 >= source - 1) {
                j0 = source - 1;
                frac = 0;
            }
            f = j0;
            wi.push_back(1 - frac);
            if (frac > 0) wi.push_back(frac);
        }
        // Drop zero-weight taps at the ends so loops stay short.
        while (wi.size() > 1 && wi.back() <= 0) wi.pop_back();
        while (wi.size() > 1 && wi.front() <= 0) {
            wi.erase(wi.begin());
            ++f;
        }
        first[i] = f;
    }

    Taps taps;
    for (const auto& wi : w) taps.count = std::max(taps.count, static_cast<int>(wi.size()));
    // Distinct source pixels, so never more than the source has.
    taps.count = std::min(taps.count, source);
    taps.first.resize(static_cast<size_t>(destination));
    taps.weights.assign(static_cast<size_t>(destination) * taps.count, 0.0f);
    for (int i = 0; i < destination; ++i) {
        const std::vector<double>& wi = w[i];
        double total = 0;
        for (double x : wi) total += x;
        // Padding goes after the real taps, or before them at the far edge, so that every read
        // stays inside the source.
        const int start = std::min(first[i], source - taps.count);
        taps.first[i] = start;
        float* out = &taps.weights[static_cast<size_t>(i) * taps.count];
        for (size_t k = 0; k < wi.size(); ++k)
            out[first[i] - start + static_cast<int>(k)] = static_cast<float>(wi[k] / total);
    }
    return taps;
}

// The weighted sum of `count` source rows of samples (bytes, or 16-bit channels), as floats (one
// per sample).
template <typename Sample>
ALWAYS_INLINE void BlendRowsOf(const Sample* const* rows, const float* w, int count, size_t n,
                               float* out) {
    for (size_t i = 0; i < n; ++i) out[i] = rows[0][i] * w[0];
    for (int k = 1; k < count; ++k) {
        const Sample* row = rows[k];
        const float wk = w[k];
        for (size_t i = 0; i < n; ++i) out[i] += row[i] * wk;
    }
}
VECTOR_CLONES void BlendRows(const std::uint8_t* const* rows, const float* w, int count, size_t n,
                             float* out) {
    BlendRowsOf(rows, w, count, n, out);
}
VECTOR_CLONES void BlendRows(const std::uint16_t* const* rows, const float* w, int count, size_t n,
                             float* out) {
    BlendRowsOf(rows, w, count, n, out);
}

// One blended row filtered across: four floats per output pixel. `Count` is the number of taps
// when it is known here (the loop over them then disappears), else 0 and tx.count says it.
template <int Count>
ALWAYS_INLINE void FilterRowWith(const float* in, const Taps& tx, int width, float* out) {
    const int count = Count > 0 ? Count : tx.count;
    const float* weights = tx.weights.data();
    for (int x = 0; x < width; ++x) {
        const float* s = in + static_cast<size_t>(tx.first[x]) * 4;
        const float* w = weights + static_cast<size_t>(x) * count;
        float a[4] = {0, 0, 0, 0};
        for (int k = 0; k < count; ++k) {
            const float wk = w[k];
            for (int c = 0; c < 4; ++c) a[c] += s[c] * wk;
            s += 4;
        }
        float* o = out + static_cast<size_t>(x) * 4;
        for (int c = 0; c < 4; ++c) o[c] = a[c];
    }
}

// The tap counts of reductions up to 3:1 and of enlargements get loops of their own.
VECTOR_CLONES void FilterRow(const float* in, const Taps& tx, int width, float* out) {
    switch (tx.count) {
        case 1:
            return FilterRowWith<1>(in, tx, width, out);
        case 2:
            return FilterRowWith<2>(in, tx, width, out);
        case 3:
            return FilterRowWith<3>(in, tx, width, out);
        case 4:
            return FilterRowWith<4>(in, tx, width, out);
        default:
            return FilterRowWith<0>(in, tx, width, out);
    }
}

// Floats back to bytes, rounded to the nearest level (a sum of weights of 1 can overshoot 255 by
// a rounding error, hence the clamp).
VECTOR_CLONES void Narrow(const float* in, size_t n, std::uint8_t* out) {
    for (size_t i = 0; i < n; ++i) {
        // Clamped as integers: SSE2 has no float-to-byte conversion, and this form vectorises.
        const int v = static_cast<int>(in[i] + 0.5f);
        out[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
}

// Floats back to 16-bit channels, as Narrow does to bytes.
VECTOR_CLONES void Narrow(const float* in, size_t n, std::uint16_t* out) {
    for (size_t i = 0; i < n; ++i) {
        const int v = static_cast<int>(in[i] + 0.5f);
        out[i] = static_cast<std::uint16_t>(v < 0 ? 0 : v > 65535 ? 65535 : v);
    }
}

// Resamples `source` (4 samples a pixel) into `out`, both of the sample type; `opaque` sets the
// fourth sample of every pixel written (the padding of RGB32 and RGBX64) to its full value,
// whatever the arithmetic gave.
template <typename Sample>
void ResampleInto(const QImage& source, const QRectF& shown, QImage& out, bool opaque) {
    const int width = out.width();
    const int height = out.height();
    const Taps tx = BuildTaps(source.width(), width, shown.x(), shown.width());
    const Taps ty = BuildTaps(source.height(), height, shown.y(), shown.height());

    // Down first, then across: the vertical sum runs over whole rows of samples in one flat loop
    // per source row, and the across pass, which reads each pixel's taps, then runs on the
    // output's rows only.
    const size_t source_floats = static_cast<size_t>(source.width()) * 4;
    const size_t row_floats = static_cast<size_t>(width) * 4;
    std::vector<float> blended(source_floats);
    std::vector<float> filtered(row_floats);
    std::vector<const Sample*> rows(static_cast<size_t>(ty.count));
    for (int y = 0; y < height; ++y) {
        for (int k = 0; k < ty.count; ++k)
            rows[k] = reinterpret_cast<const Sample*>(source.constScanLine(ty.first[y] + k));
        BlendRows(rows.data(), &ty.weights[static_cast<size_t>(y) * ty.count], ty.count,
                  source_floats, blended.data());
        FilterRow(blended.data(), tx, width, filtered.data());
        auto* line = reinterpret_cast<Sample*>(out.scanLine(y));
        Narrow(filtered.data(), row_floats, line);
        if (!opaque) continue;
        if constexpr (sizeof(Sample) == 1) {
            // RGB32 keeps its padding byte at 0xff.
            QRgb* pixels = reinterpret_cast<QRgb*>(line);
            for (int x = 0; x < width; ++x) pixels[x] |= 0xff000000u;
        } else {
            for (int x = 0; x < width; ++x) line[static_cast<size_t>(x) * 4 + 3] = 0xffff;
        }
    }
}

}  // namespace

QImage AreaResample(const QImage& input, int width, int height, const QRectF& area) {
    if (input.isNull() || width < 1 || height < 1) return {};
    // Alpha is averaged premultiplied, so that the colour of a transparent pixel never bleeds
    // into its neighbours; the result goes back to straight alpha, as the picture holds it.
    const QImage::Format kept = input.format();
    const bool deep = kept == QImage::Format_RGBX64 || kept == QImage::Format_RGBA64;
    const bool alpha = kept == QImage::Format_ARGB32 || kept == QImage::Format_RGBA64;
    const QImage::Format working =
        kept == QImage::Format_ARGB32   ? QImage::Format_ARGB32_Premultiplied
        : kept == QImage::Format_RGBA64 ? QImage::Format_RGBA64_Premultiplied
        : deep                          ? QImage::Format_RGBX64
                                        : QImage::Format_RGB32;
    const QImage source = input.format() == working ? input : input.convertToFormat(working);
    if (source.isNull()) return {};
    const QRectF whole(0, 0, source.width(), source.height());
    // Never a span outside the pixels, nor an empty one.
    QRectF shown = area.isNull() ? whole : area.intersected(whole);
    if (shown.width() <= 0 || shown.height() <= 0) shown = whole;
    if (shown == whole && source.width() == width && source.height() == height)
        return alpha ? input.copy() : source.copy();

    try {
        QImage out = NewPixelImage(width, height, working);
        if (out.isNull()) return {};
        if (deep) {
            ResampleInto<std::uint16_t>(source, shown, out, !alpha);
        } else {
            ResampleInto<std::uint8_t>(source, shown, out, !alpha);
        }
        if (alpha) {
            out.convertTo(kept);
            if (out.isNull()) NoteOutOfMemory();
        }
        return out;
    } catch (const std::bad_alloc&) {
        NoteOutOfMemory();
        return {};
    }
}
