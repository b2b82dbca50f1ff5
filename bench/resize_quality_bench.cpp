// Thumbnail quality: the mean PSNR of our 100 x 100-box thumbnails of tests/data/photos
// against a Lanczos-3 reference made from the full-size decode. Ours go the way the album's do:
// reduced-scale load, area averaging, JPEG at quality 100 (4:4:4), decoded again. For comparison
// the same pixels saved with Qt's own JPEG writer (4:2:0), and a full decode with area averaging.
// Then the same for resizes to each WIDTH (the resizer's way: a load at the smallest DCT scale
// that still covers the width, area averaging; the pixels compared before any JPEG encoding),
// beside a full decode with area averaging; pictures not wider than WIDTH are left out.
// Usage: resize_quality_bench [PHOTO_FOLDER [WIDTH...]]
//        (default: the project's tests/data/photos, widths 1600 and 800)

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/image_library.h"
#include "imaging/imgkit.h"
#include "platform/user_dialogs.h"
#include "resizer/job/batch_resize.h"

namespace {

class SilentDialogs : public UserDialogs {
  public:
    MessageAnswer ShowMessage(const std::string& text, const std::optional<std::string>&,
                              MessageIcon, MessageButtons) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return MessageAnswer::Ok;
    }
};

double Sinc(double x) {
    if (std::fabs(x) < 1e-9) return 1;
    x *= M_PI;
    return std::sin(x) / x;
}

// One axis of a Lanczos-3 reduction in floating point, on interleaved RGB rows.
std::vector<float> LanczosAxis(const std::vector<float>& in, int length, int lines, int out_length,
                               bool horizontal, int width_in) {
    const double scale = static_cast<double>(length) / out_length;
    const double support = 3 * std::max(1.0, scale);
    const double filter_scale = std::max(1.0, scale);
    const int out_w = horizontal ? out_length : width_in;
    const int out_h = horizontal ? lines : out_length;
    std::vector<float> out(static_cast<size_t>(out_w) * out_h * 3);
    for (int i = 0; i < out_length; ++i) {
        const double centre = (i + 0.5) * scale;
        const int first = std::max(0, static_cast<int>(std::floor(centre - support)));
        const int last = std::min(length - 1, static_cast<int>(std::ceil(centre + support)));
        std::vector<double> w;
        double total = 0;
        for (int j = first; j <= last; ++j) {
            const double x = (j + 0.5 - centre) / filter_scale;
            const double v = std::fabs(x) < 3 ? Sinc(x) * Sinc(x / 3) : 0;
            w.push_back(v);
            total += v;
        }
        for (int l = 0; l < lines; ++l) {
            double c[3] = {0, 0, 0};
            for (int j = first; j <= last; ++j) {
                const size_t at = horizontal ? (static_cast<size_t>(l) * length + j) * 3
                                             : (static_cast<size_t>(j) * width_in + l) * 3;
                for (int k = 0; k < 3; ++k) c[k] += in[at + k] * w[j - first];
            }
            const size_t to = horizontal ? (static_cast<size_t>(l) * out_w + i) * 3
                                         : (static_cast<size_t>(i) * out_w + l) * 3;
            for (int k = 0; k < 3; ++k) out[to + k] = static_cast<float>(c[k] / total);
        }
    }
    return out;
}

QImage Lanczos(const QImage& source0, int w, int h) {
    const QImage source = source0.convertToFormat(QImage::Format_RGB32);
    std::vector<float> px(static_cast<size_t>(source.width()) * source.height() * 3);
    for (int y = 0; y < source.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            float* p = &px[(static_cast<size_t>(y) * source.width() + x) * 3];
            p[0] = qRed(row[x]);
            p[1] = qGreen(row[x]);
            p[2] = qBlue(row[x]);
        }
    }
    const std::vector<float> across =
        LanczosAxis(px, source.width(), source.height(), w, true, source.width());
    const std::vector<float> both = LanczosAxis(across, source.height(), w, h, false, w);
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const float* p = &both[(static_cast<size_t>(y) * w + x) * 3];
            auto c = [](float v) {
                return static_cast<int>(std::lround(std::clamp(v, 0.f, 255.f)));
            };
            out.setPixel(x, y, qRgb(c(p[0]), c(p[1]), c(p[2])));
        }
    return out;
}

double Psnr(const QImage& a0, const QImage& b0) {
    const QImage a = a0.convertToFormat(QImage::Format_RGB32);
    const QImage b = b0.convertToFormat(QImage::Format_RGB32);
    if (a.size() != b.size()) return 0;
    double se = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const double d[3] = {double(qRed(p) - qRed(q)), double(qGreen(p) - qGreen(q)),
                                 double(qBlue(p) - qBlue(q))};
            se += d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
        }
    const double mse = se / (3.0 * a.width() * a.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

QImage Decode(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

}  // namespace

int main(int argc, char** argv) {
    // The default is found from this file's place in the source tree: <project>/bench/.
    const std::string here = QFileInfo(QString::fromUtf8(__FILE__)).absolutePath().toStdString();
    const std::string folder = argc > 1 ? argv[1] : here + "/../tests/data/photos";
    SilentDialogs dialogs;
    if (!ImageLibrary::Load(dialogs)) return 1;
    QTemporaryDir temp;
    ResizerSettings box;
    box.sizeMode = FitBox;
    box.targetWidth = 100;
    box.targetHeight = 100;

    const QStringList names =
        QDir(QString::fromStdString(folder)).entryList({"*.jpg", "*.JPG", "*.jpeg"}, QDir::Files);
    double sum_ours = 0, sum_qt_writer = 0, sum_full = 0;
    int n = 0;
    for (const QString& name : names) {
        const std::string path = folder + "/" + name.toStdString();
        const ImgKitSize upright = ImgKitUprightSize(path);
        const ImgKitSize t = ComputeTargetSize(box, upright.width, upright.height);
        const QImage full = Decode(QString::fromStdString(path));
        const QImage reference = Lanczos(full, t.width, t.height);

        ImageHandle reduced = ImgKitFileLoad(path, t.width, t.height);
        ImageHandle thumb = ImgKitImageSize(reduced, t.width, t.height);
        const std::string out = temp.path().toStdString() + "/ours.jpg";
        ImageCodec codec;  // the jobs' writer of thumbnails
        if (!thumb || !codec.SavePicture(out, thumb, kJpegImage, 100)) return 1;
        const double ours = Psnr(Decode(QString::fromStdString(out)), reference);

        const QString qt_out = temp.path() + "/qt.jpg";
        ImgKitPixels(thumb)->save(qt_out, "JPEG", 100);
        const double qt_writer = Psnr(Decode(qt_out), reference);

        ImageHandle whole = ImgKitFileLoad(path);
        ImageHandle thumb_full = ImgKitImageSize(whole, t.width, t.height);
        codec.SavePicture(out, thumb_full, kJpegImage, 100);
        const double full_decode = Psnr(Decode(QString::fromStdString(out)), reference);

        std::printf("%-34s %4dx%-4d ours %5.2f dB   Qt writer %5.2f dB   full decode %5.2f dB\n",
                    name.toStdString().c_str(), t.width, t.height, ours, qt_writer, full_decode);
        sum_ours += ours;
        sum_qt_writer += qt_writer;
        sum_full += full_decode;
        ++n;
    }
    if (n == 0) return 1;
    std::printf(
        "mean PSNR over %d photos: ours %.2f dB (target >= 39.5), Qt writer %.2f dB, "
        "full decode + area averaging %.2f dB\n",
        n, sum_ours / n, sum_qt_writer / n, sum_full / n);

    std::vector<int> widths;
    for (int i = 2; i < argc; ++i) widths.push_back(std::atoi(argv[i]));
    if (widths.empty()) widths = {1600, 800};
    ResizerSettings fit;
    fit.sizeMode = FitWidth;
    for (int width : widths) {
        fit.targetWidth = width;
        double sum_resized = 0, sum_resized_full = 0;
        int m = 0;
        for (const QString& name : names) {
            const std::string path = folder + "/" + name.toStdString();
            const ImgKitSize upright = ImgKitUprightSize(path);
            if (upright.width <= width) continue;
            const ImgKitSize t = ComputeTargetSize(fit, upright.width, upright.height);
            const QImage reference =
                Lanczos(Decode(QString::fromStdString(path)), t.width, t.height);
            ImageHandle reduced = ImgKitFileLoad(path, t.width, t.height);
            ImageHandle resized = ImgKitImageSize(reduced, t.width, t.height);
            ImageHandle whole = ImgKitFileLoad(path);
            ImageHandle resized_full = ImgKitImageSize(whole, t.width, t.height);
            if (!resized || !resized_full) return 1;
            const double ours = Psnr(*ImgKitPixels(resized), reference);
            const double full_decode = Psnr(*ImgKitPixels(resized_full), reference);
            std::printf("%-34s %4dx%-4d ours %5.2f dB   full decode %5.2f dB\n",
                        name.toStdString().c_str(), t.width, t.height, ours, full_decode);
            sum_resized += ours;
            sum_resized_full += full_decode;
            ++m;
        }
        if (m > 0)
            std::printf(
                "width %d, mean PSNR over %d photos: ours %.2f dB, full decode + area "
                "averaging %.2f dB\n",
                width, m, sum_resized / m, sum_resized_full / m);
    }
    return 0;
}
