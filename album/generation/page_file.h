#pragma once

#include <string>

class UserDialogs;

// How writing one page file ended.
enum class PageWriteResult { Written, OpenFailed, WriteFailed };

// Writes `bytes` to `path` through ReplaceFile: the page is complete or as it was, never
// half-written, and a link at `path` is replaced, not written through. A page that cannot be begun
// (the folder or the old page may not be written) shows
// "書きこみモードでファイルをオープンできませんでした。"; a failure while writing (a full disk)
// shows "error: " and the system's text for the error (at most 255 characters). Both messages have
// the exclamation icon and the application title.
PageWriteResult WritePageFile(const std::string& path, const std::string& bytes,
                              UserDialogs& dialogs);
