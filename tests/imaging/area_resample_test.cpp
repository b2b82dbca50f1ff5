#include "imaging/area_resample.h"

#include <gtest/gtest.h>

#include <QImage>
#include <random>

namespace {

QImage RandomPicture(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(rng() % 256, rng() % 256, rng() % 256));
    return image;
}

TEST(AreaResample, AlwaysGivesExactlyTheRequestedSize) {
    const QImage source = RandomPicture(37, 23, 1);
    for (int w : {1, 2, 5, 18, 36, 37, 38, 74, 100})
        for (int h : {1, 3, 11, 22, 23, 24, 60}) {
            const QImage out = AreaResample(source, w, h);
            ASSERT_EQ(out.size(), QSize(w, h)) << w << "x" << h;
            EXPECT_EQ(out.format(), QImage::Format_RGB32);
        }
}

TEST(AreaResample, AFlatPictureStaysExactlyFlatAtEverySize) {
    QImage flat(53, 31, QImage::Format_RGB32);
    flat.fill(qRgb(200, 17, 99));
    for (auto [w, h] :
         std::vector<std::pair<int, int>>{{7, 3}, {52, 30}, {1, 1}, {106, 62}, {200, 9}}) {
        const QImage out = AreaResample(flat, w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) ASSERT_EQ(out.pixel(x, y), qRgb(200, 17, 99));
    }
}

TEST(AreaResample, AnIntegerReductionIsTheMeanOfEachBlock) {
    const QImage source = RandomPicture(120, 60, 7);
    for (int factor : {2, 3, 4, 5, 6}) {
        const QImage out = AreaResample(source, 120 / factor, 60 / factor);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                int sum[3] = {0, 0, 0};
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx) {
                        const QRgb p = source.pixel(x * factor + dx, y * factor + dy);
                        sum[0] += qRed(p);
                        sum[1] += qGreen(p);
                        sum[2] += qBlue(p);
                    }
                const double n = factor * factor;
                const QRgb got = out.pixel(x, y);
                EXPECT_NEAR(qRed(got), sum[0] / n, 1.0);
                EXPECT_NEAR(qGreen(got), sum[1] / n, 1.0);
                EXPECT_NEAR(qBlue(got), sum[2] / n, 1.0);
            }
    }
}

TEST(AreaResample, AFractionalReductionWeighsCoveredLengths) {
    // Three pixels 0, 90, 180 into two: 0 * 2/3 + 90 * 1/3 = 30 and 90 * 1/3 + 180 * 2/3 = 150.
    QImage row(3, 1, QImage::Format_RGB32);
    row.setPixel(0, 0, qRgb(0, 0, 0));
    row.setPixel(1, 0, qRgb(90, 90, 90));
    row.setPixel(2, 0, qRgb(180, 180, 180));
    const QImage out = AreaResample(row, 2, 1);
    EXPECT_EQ(qRed(out.pixel(0, 0)), 30);
    EXPECT_EQ(qRed(out.pixel(1, 0)), 150);
}

TEST(AreaResample, RefusesSizesBelowOne) {
    const QImage source = RandomPicture(4, 4, 3);
    EXPECT_TRUE(AreaResample(source, 0, 4).isNull());
    EXPECT_TRUE(AreaResample(source, 4, -2).isNull());
    EXPECT_TRUE(AreaResample(QImage(), 4, 4).isNull());
}

}  // namespace
