#include "album/generation/page_file.h"

#include <cstring>

#include "platform/file_system.h"

PageWriteStatus WritePageFile(const std::string& path, const std::string& bytes) {
    // Through a temporary file: a full disk leaves the page as it was instead of a truncated one,
    // and a page that is a link is replaced rather than written through to another file.
    // A page that already holds these bytes is left as it is, with its times: a rebuild that
    // changes nothing gives a sync tool nothing to send.
    if (FileHoldsBytes(path, bytes)) return {};
    ReplaceFailure failure;
    if (ReplaceFile(path, bytes, &failure)) return {};
    if (!failure.opened) {
        return {PageWriteResult::OpenFailed,
                "書きこみモードでファイルをオープンできませんでした。"};
    }
    std::string text = std::strerror(failure.error);
    if (text.size() > 255) text.resize(255);
    return {PageWriteResult::WriteFailed, "error: " + text};
}
