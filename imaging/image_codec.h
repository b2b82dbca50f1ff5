#pragma once

#include <optional>
#include <string>

#include "core/path_helpers.h"
#include "core/picture_outcome.h"
#include "core/picture_plan.h"
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
    // to `path`. False when either step failed, or `rule` removes location and the file would
    // still tell it; `path` is then as it was.
    bool SavePicture(const std::string& path, const ImageHandle& image, ImageKind kind, int quality,
                     LocationRule rule = LocationRule::Keep) {
        const std::optional<std::string> bytes =
            kind == kJpegImage ? EncodeJpeg(image, quality) : EncodeBmp(image);
        if (!bytes) return false;
        if (rule == LocationRule::Keep) return WriteFile(path, *bytes);
        const std::optional<std::string> published = Publishable(kind, *bytes, rule);
        return published && WriteFile(path, *published);
    }

    // SavePicture for a picture loaded from the file `source`: a JPEG keeps what the camera
    // recorded in the source (CarryMetadata), less its location under LocationRule::Remove.
    // Reads `source` before writing, so `path` may be it. None, XmpLeftOut (saved without the
    // source's XMP), LocationLeft or SaveFailed (`path` as it was for both).
    PictureFailure SavePictureOf(const std::string& source, const std::string& path,
                                 const ImageHandle& image, ImageKind kind, int quality,
                                 LocationRule rule = LocationRule::Keep) {
        const std::optional<std::string> bytes =
            kind == kJpegImage ? EncodeJpeg(image, quality) : EncodeBmp(image);
        if (!bytes) return PictureFailure::SaveFailed;
        if (kind != kJpegImage) return SaveFile(path, *bytes, nullptr, false, kind, rule);
        // Carried first: what the carrying says is then known when the save is judged.
        bool xmp_too_large = false;
        const std::string carried = CarryMetadata(source, *bytes, &xmp_too_large);
        return SaveFile(path, carried, nullptr, xmp_too_large, kind, rule);
    }

    // SavePictureOf over the file the picture was loaded from (`file.path`), which is replaced only
    // while it is still the file that was read: else FileChanged, with nothing written.
    PictureFailure SavePictureOver(const FileToReplace& file, const ImageHandle& image,
                                   ImageKind kind, int quality,
                                   LocationRule rule = LocationRule::Keep) {
        const std::optional<std::string> bytes =
            kind == kJpegImage ? EncodeJpeg(image, quality) : EncodeBmp(image);
        if (!bytes) return PictureFailure::SaveFailed;
        if (kind != kJpegImage) return SaveFile(file.path, *bytes, &file, false, kind, rule);
        bool xmp_too_large = false;
        const std::string carried = CarryMetadata(file.path, *bytes, &xmp_too_large);
        return SaveFile(file.path, carried, &file, xmp_too_large, kind, rule);
    }

    // Puts a file of `kind` made whole elsewhere (a JPEG turned on its blocks) at `path`, or with
    // `replaces` only in place of that file (else FileChanged); `xmp_too_large` is what its making
    // said. Under LocationRule::Remove the file is written without location (Publishable), or
    // not at all (LocationLeft).
    PictureFailure SaveFile(const std::string& path, const std::string& bytes,
                            const FileToReplace* replaces, bool xmp_too_large,
                            ImageKind kind = kJpegImage, LocationRule rule = LocationRule::Keep) {
        ReplaceFailure failure;
        if (rule == LocationRule::Keep)
            return SaveFailureOf(WriteFile(path, bytes, replaces, &failure), failure,
                                 xmp_too_large);
        const std::optional<std::string> published = Publishable(kind, bytes, rule);
        if (!published) return PictureFailure::LocationLeft;
        const bool saved = WriteFile(path, *published, replaces, &failure);
        return SaveFailureOf(saved, failure, xmp_too_large);
    }

    // The picture file `source` (of `kind`) put at `output` as it is: a copy of its bytes, or
    // under LocationRule::Remove, when it tells where it was taken, its bytes with new metadata
    // and nothing else changed (WithoutLocation). None, CopyFailed or LocationLeft (nothing
    // written for either).
    PictureFailure CopyPicture(const std::string& source, const std::string& output, ImageKind kind,
                               LocationRule rule);

    // `bytes`, a file of `kind` about to be written, as `rule` lets it be written: as it is under
    // Keep; under Remove read back and without location (WithoutLocation), or none when location
    // would remain.
    static std::optional<std::string> Publishable(ImageKind kind, const std::string& bytes,
                                                  LocationRule rule);

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
