#pragma once

#include <string>

#include "browser/imaging/imgkit.h"

// The imaging seam of the jobs: the real codec forwards to the ImgKit entry points; tests derive
// from it to make named files fail to load or save.
class ImageCodec {
  public:
    virtual ~ImageCodec() = default;

    virtual ImageHandle Load(const std::string& path, int min_width, int min_height) {
        return ImgKitFileLoad(path, min_width, min_height);
    }
    virtual ImgKitSize UprightSize(const std::string& path) { return ImgKitUprightSize(path); }
    virtual void Rotate(ImageHandle& image) { ImgKitRotation(image); }
    virtual ImgKitSize Size(const ImageHandle& image) {
        ImgKitInfoRecord info;
        ImgKitImageInfo(image, info);
        return {info.values[0], info.values[1]};
    }
    virtual ImageHandle Resize(const ImageHandle& image, int width, int height) {
        return ImgKitImageSize(image, width, height);
    }
    virtual bool SaveJpeg(const std::string& path, const ImageHandle& image, int quality) {
        return ImgKitJpegFileSave(path, image, quality) != 0;
    }
    virtual bool SaveBmp(const std::string& path, const ImageHandle& image) {
        return ImgKitBmpFileSave(path, image) != 0;
    }
};

// The process-wide real codec.
ImageCodec& DefaultImageCodec();
