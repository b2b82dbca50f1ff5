#pragma once

#include <string>

// How writing one page file ended.
enum class PageWriteResult { Written, OpenFailed, WriteFailed };

// How writing one page file ended, and what the user is to be told about a failure.
struct PageWriteStatus {
    PageWriteResult result = PageWriteResult::Written;
    // Empty when written; "書きこみモードでファイルをオープンできませんでした。" when the page
    // could not be begun (the folder or the old page may not be written); "error: " and the
    // system's text for the error (at most 255 characters) when writing failed (a full disk).
    // The build shows it with the exclamation icon and the application title.
    std::string message;
};

// Writes `bytes` to `path` through ReplaceFile: the page is complete or as it was, never
// half-written, and a link at `path` is replaced, not written through. A file that already holds
// exactly `bytes` is left untouched (Written). Shows nothing itself.
PageWriteStatus WritePageFile(const std::string& path, const std::string& bytes);
