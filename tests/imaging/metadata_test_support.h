#pragma once

#include <turbojpeg.h>

#include <QImage>
#include <map>
#include <string>

// Exiv2 0.27 still spells its owning pointers std::auto_ptr, which C++20 deprecates.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

// What a saved JPEG carries, read back with the metadata library the program uses.
struct SavedMetadata {
    std::map<std::string, std::string> exif;  // key -> value as text
    std::map<std::string, std::string> xmp;
    long iptc_count = 0;
    std::string icc;
    long thumbnail_bytes = 0;

    std::string Exif(const std::string& key) const {
        const auto it = exif.find(key);
        return it == exif.end() ? std::string() : it->second;
    }
    std::string Xmp(const std::string& key) const {
        const auto it = xmp.find(key);
        return it == xmp.end() ? std::string() : it->second;
    }
};

inline SavedMetadata ReadSavedMetadata(const std::string& jpeg) {
    SavedMetadata m;
    Exiv2::JpegImage image(
        Exiv2::BasicIo::AutoPtr(new Exiv2::MemIo(reinterpret_cast<const Exiv2::byte*>(jpeg.data()),
                                                 static_cast<long>(jpeg.size()))),
        false);
    image.readMetadata();
    for (const Exiv2::Exifdatum& d : image.exifData()) m.exif[d.key()] = d.toString();
    for (const Exiv2::Xmpdatum& d : image.xmpData()) m.xmp[d.key()] = d.toString();
    m.iptc_count = image.iptcData().count();
    if (image.iccProfileDefined()) {
        const Exiv2::DataBuf* icc = image.iccProfile();
        m.icc.assign(reinterpret_cast<const char*>(icc->pData_), icc->size_);
    }
    m.thumbnail_bytes = Exiv2::ExifThumbC(image.exifData()).copy().size_;
    return m;
}
#pragma GCC diagnostic pop

// The stored pixels of a JPEG as TurboJPEG decodes them (no orientation applied), grey (the luma
// plane) or RGB; null when it cannot be decoded.
inline QImage DecodeStored(const std::string& jpeg, bool grey) {
    tjhandle handle = tjInitDecompress();
    int w = 0, h = 0, sub = 0, cs = 0;
    const auto* data = reinterpret_cast<const unsigned char*>(jpeg.data());
    QImage image;
    if (tjDecompressHeader3(handle, data, jpeg.size(), &w, &h, &sub, &cs) == 0) {
        image = QImage(w, h, grey ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
        if (tjDecompress2(handle, data, jpeg.size(), image.bits(), w,
                          static_cast<int>(image.bytesPerLine()), h, grey ? TJPF_GRAY : TJPF_RGB,
                          0) != 0)
            image = QImage();
    }
    tjDestroy(handle);
    return image;
}
