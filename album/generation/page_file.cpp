#include "album/generation/page_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

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
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        dialogs.ShowMessage("書きこみモードでファイルをオープンできませんでした。", std::nullopt,
                            MessageIcon::Exclamation, MessageButtons::Ok);
        return PageWriteResult::OpenFailed;
    }
    errno = 0;
    bool failed = std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size();
    // A full disk often shows only when the buffered bytes reach the device, at the flush or close.
    if (!failed && std::fflush(file) != 0) failed = true;
    int error = failed ? errno : 0;
    if (std::fclose(file) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (failed && error == 0) error = EIO;
    if (failed) {
        ReportFileError(error, dialogs);
        return PageWriteResult::WriteFailed;
    }
    return PageWriteResult::Written;
}
