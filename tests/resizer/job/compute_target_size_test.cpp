#include <gtest/gtest.h>

#include <cstdint>

#include "resizer/job/batch_resize.h"

namespace {

ResizerSettings Rule(int mode, int percent = 100, int width = 400, int height = 300) {
    ResizerSettings s;
    s.sizeMode = mode;
    s.scalePercent = percent;
    s.targetWidth = width;
    s.targetHeight = height;
    return s;
}

struct Case {
    const char* name;
    ResizerSettings settings;
    int width, height;
    ImgKitSize expected;
};

TEST(ComputeTargetSize, WorkedExamples) {
    const Case cases[] = {
        {"fit width 400 on 1600x1200", Rule(FitWidth, 100, 400), 1600, 1200, {400, 300}},
        {"fit height 300 on 1600x1200", Rule(FitHeight, 100, 400, 300), 1600, 1200, {400, 300}},
        {"box 400x400 on portrait falls back to height",
         Rule(FitBox, 100, 400, 400),
         1200,
         1600,
         {300, 400}},
        {"one turn then fit width 400", Rule(FitWidth, 100, 400), 1200, 1600, {400, 533}},
        {"percent truncates 101 at 50", Rule(ScaleByPercent, 50), 101, 100, {50, 50}},
        {"fit height rounds a half up", Rule(FitHeight, 100, 400, 50), 101, 100, {51, 50}},
        {"percent 100 keeps the size", Rule(ScaleByPercent, 100), 1234, 567, {1234, 567}},
        {"fit width equal to the picture keeps it", Rule(FitWidth, 100, 640), 640, 504, {640, 504}},
        {"box equal to the picture keeps it", Rule(FitBox, 100, 640, 504), 640, 504, {640, 504}},
        {"box height exactly equal counts as fitting",
         Rule(FitBox, 100, 400, 300),
         800,
         600,
         {400, 300}},
        {"keep size", Rule(KeepSize), 3088, 2056, {3088, 2056}},
        {"percent enlarges", Rule(ScaleByPercent, 400), 100, 33, {400, 132}},
        {"fit width enlarges", Rule(FitWidth, 100, 4000), 100, 75, {4000, 3000}},
        {"percent of a tiny picture gives zero", Rule(ScaleByPercent, 10), 5, 9, {0, 0}},
        {"fit width on a one-pixel-high strip", Rule(FitWidth, 100, 50), 1000, 1, {50, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ComputeTargetSize(c.settings, c.width, c.height), c.expected) << c.name;
}

// The rounding rule written independently: the exact quotient, then halves away from zero.
int ReferenceMulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) return -1;
    const __int128 num = static_cast<__int128>(a) * b;
    __int128 q = num / c;
    const __int128 r = num % c;
    // |r| / |c| >= 1/2 moves the result one step away from zero.
    const __int128 abs_r = r < 0 ? -r : r;
    const __int128 abs_c = c < 0 ? -c : c;
    if (2 * abs_r >= abs_c) q += ((num < 0) != (c < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < -static_cast<__int128>(INT32_MAX)) return -1;
    return static_cast<int>(q);
}

TEST(MulDiv, MatchesTheRoundingRule) {
    const int values[] = {0,      1,       -1,         2,     3,          -3,          7,
                          50,     99,      101,        400,   533,        4000,        65535,
                          -65535, 1 << 20, -(1 << 20), 46341, 2147483647, -2147483647, 1000003};
    for (int a : values)
        for (int b : values)
            for (int c : values) {
                EXPECT_EQ(MulDiv(a, b, c), ReferenceMulDiv(a, b, c)) << a << " " << b << " " << c;
            }
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
    EXPECT_EQ(MulDiv(3, 1, -2), -2);
    EXPECT_EQ(MulDiv(5, 5, 0), -1);
    EXPECT_EQ(MulDiv(2147483647, 2, 1), -1);
}

TEST(ComputeTargetSize, SweepOfSizesAndRulesAgainstTheReference) {
    for (int w = 1; w <= 5000; w += 37) {
        for (int h = 1; h <= 5000; h += 41) {
            for (int percent : {10, 33, 50, 99, 100, 101, 250, 400}) {
                const ImgKitSize got = ComputeTargetSize(Rule(ScaleByPercent, percent), w, h);
                ASSERT_EQ(got.width, static_cast<int>(std::int64_t{w} * percent / 100));
                ASSERT_EQ(got.height, static_cast<int>(std::int64_t{h} * percent / 100));
            }
            for (int t : {50, 123, 400, 4000}) {
                ASSERT_EQ(ComputeTargetSize(Rule(FitWidth, 100, t), w, h),
                          (ImgKitSize{t, ReferenceMulDiv(h, t, w)}));
                ASSERT_EQ(ComputeTargetSize(Rule(FitHeight, 100, 400, t), w, h),
                          (ImgKitSize{ReferenceMulDiv(w, t, h), t}));
                const int bw = t;
                const int bh = 4050 - t;
                const ImgKitSize box = ComputeTargetSize(Rule(FitBox, 100, bw, bh), w, h);
                if (w == bw && h == bh) {
                    ASSERT_EQ(box, (ImgKitSize{w, h}));
                } else {
                    // Fills the box in one direction, fits in the other, keeps the proportions
                    // within the rounding of one pixel.
                    ASSERT_TRUE(box.width == bw || box.height == bh) << w << "x" << h;
                    ASSERT_LE(box.width, bw);
                    ASSERT_LE(box.height, bh);
                    const double aspect = static_cast<double>(w) / h;
                    if (box.width == bw) {
                        ASSERT_NEAR(box.height, bw / aspect, 0.5 + 1e-9);
                    } else {
                        ASSERT_NEAR(box.width, bh * aspect, 0.5 + 1e-9);
                    }
                }
            }
            ASSERT_EQ(ComputeTargetSize(Rule(KeepSize), w, h), (ImgKitSize{w, h}));
        }
    }
}

}  // namespace
