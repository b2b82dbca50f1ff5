#pragma once

#include <optional>
#include <string>

#include "core/path_helpers.h"
#include "core/picture_outcome.h"
#include "imaging/imgkit.h"
#include "imaging/picture_bytes.h"
#include "imaging/picture_codec.h"
#include "platform/file_system.h"

// The imaging layer's failures as the jobs' failure kinds, in one place: a load that gave no
// picture (ImgKitLastLoadFailure: memory, or a file that is missing, empty, damaged or no picture
// of its kind), and a save (not written; written without the source's XMP; refused because the
// file read was no longer in place). None for a load that gave a picture and a save made whole.
PictureFailure LoadFailureOf(ImgKitLoadFailure failure);
PictureFailure SaveFailureOf(bool saved, const ReplaceFailure& failure, bool xmp_too_large);
// Why a picture of any kind was not decoded (picture_codec.h), as a job's failure: a header no
// photograph has is as unreadable as a damaged file.
PictureFailure RefusalFailureOf(PictureRefusal refusal);

// A job's picture as its load gave it: the picture, or the reason there is none.
struct LoadedPicture {
    ImageHandle image;
    PictureFailure failure = PictureFailure::None;  // Unreadable or NoMemory when `image` is empty
};

// The imaging seam of the jobs: the real codec forwards to the ImgKit entry points; tests derive
// from it to make named files fail to load or save. Memory that runs out in a step after the load
// (a turn, a resize, an encoding, the metadata) is thrown as std::bad_alloc, so that the job lists
// the picture as out of memory and writes nothing for it; a load that finds no memory gives no
// picture, and LoadPicture tells why.
class ImageCodec {
  public:
    virtual ~ImageCodec() = default;

    // Refuses a damaged picture (ImgKitDamage::Refuse): a job never saves half a picture.
    virtual ImageHandle Load(const std::string& path, int min_width, int min_height) {
        return ImgKitFileLoad(path, min_width, min_height);
    }
    // Load for a job: the picture, or why there is none.
    LoadedPicture LoadPicture(const std::string& path, int min_width, int min_height) {
        LoadedPicture loaded{Load(path, min_width, min_height)};
        if (!loaded.image) loaded.failure = LoadFailureOf(ImgKitLastLoadFailure());
        return loaded;
    }
    virtual ImgKitSize UprightSize(const std::string& path) { return ImgKitUprightSize(path); }
    virtual void Rotate(ImageHandle& image);
    virtual ImgKitSize Size(const ImageHandle& image) {
        ImgKitInfoRecord info;
        ImgKitImageInfo(image, info);
        return {info.values[0], info.values[1]};
    }
    // None when a size is below 1 or beyond the largest picture.
    virtual ImageHandle Resize(const ImageHandle& image, int width, int height);
    // The encoded file; none when the library failed on the picture.
    virtual std::optional<std::string> EncodeJpeg(const ImageHandle& image, int quality);
    virtual std::optional<std::string> EncodeBmp(const ImageHandle& image);
    // Puts an encoded file at `path` through ReplaceFile (never half-written; a link at `path` is
    // replaced, not written through). With `replaces`, only in place of that file, as ReplaceFile
    // says. False when it could not be written, with the reason in `failure` if given.
    virtual bool WriteFile(const std::string& path, const std::string& bytes,
                           const FileToReplace* replaces, ReplaceFailure* failure) {
        return ReplaceFile(path, bytes, failure, replaces);
    }
    bool WriteFile(const std::string& path, const std::string& bytes) {
        return WriteFile(path, bytes, nullptr, nullptr);
    }

    // `encoded` (a JPEG made from the pixels of the JPEG file `source`) with the source's EXIF,
    // IPTC, XMP and colour profile carried over (CarryJpegMetadata: orientation 1, true size, no
    // preview); `encoded` as it is when the source cannot be read. `xmp_too_large` (may be null)
    // says whether the source's XMP had to be left out for its size.
    virtual std::string CarryMetadata(const std::string& source, const std::string& encoded,
                                      bool* xmp_too_large);
    // The JPEG file `source` shown upright and turned `quarter_turns` times clockwise, made on its
    // compressed blocks with its metadata carried over (TurnJpegLosslessly); none when that cannot
    // be done without changing a pixel. `xmp_too_large` as for CarryMetadata.
    virtual std::optional<std::string> TurnLosslessly(const std::string& source, int quarter_turns,
                                                      bool* xmp_too_large);

    // Encodes the picture in the format of `kind` (kJpegImage at `quality`, else BMP) and writes it
    // to `path`. False when either step failed; `path` is then as it was.
    bool SavePicture(const std::string& path, const ImageHandle& image, ImageKind kind,
                     int quality) {
        const std::optional<std::string> bytes =
            kind == kJpegImage ? EncodeJpeg(image, quality) : EncodeBmp(image);
        return bytes && WriteFile(path, *bytes);
    }

    // SavePicture for a picture loaded from the file `source`: a JPEG keeps what the camera
    // recorded in the source (CarryMetadata). Reads `source` before writing, so `path` may be it.
    // None, XmpLeftOut (saved without the source's XMP) or SaveFailed (`path` as it was).
    PictureFailure SavePictureOf(const std::string& source, const std::string& path,
                                 const ImageHandle& image, ImageKind kind, int quality) {
        bool xmp_too_large = false;
        bool saved = false;
        if (kind != kJpegImage) {
            saved = SavePicture(path, image, kind, quality);
        } else if (const std::optional<std::string> bytes = EncodeJpeg(image, quality)) {
            saved = WriteFile(path, CarryMetadata(source, *bytes, &xmp_too_large));
        }
        return SaveFailureOf(saved, ReplaceFailure{}, xmp_too_large);
    }

    // SavePictureOf over the file the picture was loaded from (`file.path`), which is replaced only
    // while it is still the file that was read: else FileChanged, with nothing written.
    PictureFailure SavePictureOver(const FileToReplace& file, const ImageHandle& image,
                                   ImageKind kind, int quality) {
        const std::optional<std::string> bytes =
            kind == kJpegImage ? EncodeJpeg(image, quality) : EncodeBmp(image);
        if (!bytes) return PictureFailure::SaveFailed;
        bool xmp_too_large = false;
        ReplaceFailure failure;
        const bool saved =
            kind != kJpegImage
                ? WriteFile(file.path, *bytes, &file, &failure)
                : WriteFile(file.path, CarryMetadata(file.path, *bytes, &xmp_too_large), &file,
                            &failure);
        return SaveFailureOf(saved, failure, xmp_too_large);
    }

    // Puts a file made whole elsewhere (a JPEG turned on its blocks) at `path`, or with `replaces`
    // only in place of that file (else FileChanged); `xmp_too_large` is what its making said.
    PictureFailure SaveFile(const std::string& path, const std::string& bytes,
                            const FileToReplace* replaces, bool xmp_too_large) {
        ReplaceFailure failure;
        const bool saved = WriteFile(path, bytes, replaces, &failure);
        return SaveFailureOf(saved, failure, xmp_too_large);
    }

    // Every kind of picture, from a file read once (picture_codec.h). The file at `path` whole,
    // for every step of its picture; none when it is not a regular file, is empty or larger than
    // kMaxPictureFileBytes, or memory ran out (TakeOutOfMemoryNote tells).
    virtual std::optional<PictureBytes> ReadPicture(const std::string& path) {
        return ReadPictureBytes(path);
    }
    // The facts of the file at `path` from its header, for plans and memory budgets.
    virtual PictureFacts ProbeFile(const std::string& path) { return ProbePictureFile(path); }
    // The upright picture of a file's bytes, any kind by its content; refuses a damaged one, as
    // Load does, and says why there is none.
    virtual DecodedPicture Decode(std::string_view bytes, int min_width, int min_height) {
        return DecodePicture(bytes, {min_width, min_height, ImgKitDamage::Refuse});
    }
    // The file of the picture in the kind of `settings`, carrying the metadata of `source` (the
    // bytes it was decoded from; empty: none) as EncodePicture says; none when the encoder failed.
    // Memory that runs out is thrown as std::bad_alloc.
    virtual std::optional<std::string> Encode(const ImageHandle& image,
                                              const EncodeSettings& settings,
                                              std::string_view source, bool* xmp_too_large);
    // The JPEG `source` (its bytes) turned on its compressed blocks, as TurnLosslessly does.
    virtual std::optional<std::string> TurnBytesLosslessly(std::string_view source,
                                                           int quarter_turns, bool* xmp_too_large);
};

// The process-wide real codec.
ImageCodec& DefaultImageCodec();
