#include "imaging/image_library.h"

#include <libheif/heif.h>
#include <turbojpeg.h>

#include <QImageReader>
#include <QImageWriter>
#include <atomic>
#include <cstdlib>

#include "imaging/image_library_pieces.h"
#include "imaging/imaging_limits.h"
#include "imaging/jpeg_metadata.h"
#include "platform/user_dialogs.h"

namespace {

std::atomic<bool> g_loaded{false};

#if defined(_WIN32)
constexpr const char* kJpegPlugin = "qjpeg.dll";
constexpr const char* kTurboJpeg = "turbojpeg.dll";
constexpr const char* kQtGui = "Qt6Gui.dll";
#elif defined(__APPLE__)
constexpr const char* kJpegPlugin = "libqjpeg.dylib";
constexpr const char* kTurboJpeg = "libturbojpeg.dylib";
constexpr const char* kQtGui = "QtGui.framework";
#else
constexpr const char* kJpegPlugin = "libqjpeg.so";
constexpr const char* kTurboJpeg = "libturbojpeg.so.0";
constexpr const char* kQtGui = "libQt6Gui.so.6";
#endif

bool TurboJpegWorks() {
    tjhandle handle = tjInitCompress();
    if (!handle) return false;
    tjDestroy(handle);
    return true;
}

}  // namespace

std::string FirstMissingImagingPiece(const ImagingPieces& pieces) {
    if (!pieces.jpeg_read) return kJpegPlugin;
    if (!pieces.jpeg_write) return kTurboJpeg;
    if (!pieces.bmp_read || !pieces.bmp_write) return kQtGui;
    return {};
}

bool ImageLibrary::Load(UserDialogs& dialogs) {
    const QList<QByteArray> readable = QImageReader::supportedImageFormats();
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    ImagingPieces pieces;
    pieces.jpeg_read = readable.contains("jpeg");
    pieces.jpeg_write = TurboJpegWorks();
    pieces.bmp_read = readable.contains("bmp");
    pieces.bmp_write = writable.contains("bmp");
    const std::string missing = FirstMissingImagingPiece(pieces);
    if (!missing.empty()) {
        g_loaded = false;
        dialogs.ShowMessage(missing + "が見つかりません", std::string(), MessageIcon::Error,
                            MessageButtons::Ok);
        return false;
    }
    QImageReader::setAllocationLimit(kImageAllocationLimitMb);
    // TurboJPEG 2.1 has no flag for optimised Huffman tables; it reads this switch from the
    // environment on every compression. Set once here, at start-up, before any worker runs; a value
    // the user set on purpose is kept.
#if defined(_WIN32)
    if (!std::getenv("TJ_OPTIMIZE")) _putenv_s("TJ_OPTIMIZE", "1");
#else
    setenv("TJ_OPTIMIZE", "1", 0);
#endif
    // The metadata library's one-time set-up is not safe to race; the workers start after this.
    InitialiseJpegMetadata();
    // libheif registers its codecs once, here, before any worker decodes (counted by libheif:
    // a second Load adds a count and changes nothing).
    heif_init(nullptr);
    g_loaded = true;
    return true;
}

void ImageLibrary::Unload() {
    g_loaded = false;
}

bool ImageLibrary::IsLoaded() {
    return g_loaded;
}
