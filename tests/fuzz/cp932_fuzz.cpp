// Feeds arbitrary bytes to the CP932 and UTF-8 conversions and checks that each gives text of the
// promised encoding and that text CP932 can hold comes back unchanged.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string from_cp932 = Cp932ToUtf8(bytes);
    if (!IsValidUtf8(from_cp932)) std::abort();
    if (!IsValidUtf8(DecodeTextFileBytes(bytes))) std::abort();

    const std::string html = Utf8ToCp932Html(bytes);
    // The page bytes are CP932 and must decode without a replacement character appearing where
    // the input had none.
    if (IsValidUtf8(bytes) && bytes.find("\xEF\xBF\xBD") == std::string_view::npos &&
        Cp932ToUtf8(html).find("\xEF\xBF\xBD") != std::string::npos) {
        std::abort();
    }

    const std::optional<std::string> cp932 = Utf8ToCp932(bytes);
    if (cp932) {
        if (!IsValidUtf8(bytes)) std::abort();
        if (Cp932ToUtf8(*cp932) != bytes) std::abort();
    }
    return 0;
}
