#include "album/generation/page_file.h"

#include <cstring>

#include "platform/file_system.h"
#include "platform/user_dialogs.h"

namespace {

void ReportFileError(int error, UserDialogs& dialogs) {
    std::string text = std::strerror(error);
    if (text.size() > 255) text.resize(255);
    dialogs.ShowMessage("error: " + text, std::nullopt, MessageIcon::Exclamation,
                        MessageButtons::Ok);
}

}  // namespace

PageWriteResult WritePageFile(const std::string& path, const std::string& bytes,
                              UserDialogs& dialogs) {
    // Through a temporary file: a full disk leaves the page as it was instead of a truncated one,
    // and a page that is a link is replaced rather than written through to another file.
    ReplaceFailure failure;
    if (ReplaceFile(path, bytes, &failure)) return PageWriteResult::Written;
    if (!failure.opened) {
        dialogs.ShowMessage("書きこみモードでファイルをオープンできませんでした。", std::nullopt,
                            MessageIcon::Exclamation, MessageButtons::Ok);
        return PageWriteResult::OpenFailed;
    }
    ReportFileError(failure.error, dialogs);
    return PageWriteResult::WriteFailed;
}
