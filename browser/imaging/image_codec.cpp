#include "browser/imaging/image_codec.h"

ImageCodec& DefaultImageCodec() {
    static ImageCodec codec;
    return codec;
}
