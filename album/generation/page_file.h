#pragma once

#include <string>

class UserDialogs;

// How writing one page file ended.
enum class PageWriteResult { Written, OpenFailed, WriteFailed };

// Writes `bytes` to `path`, creating the file or emptying an existing one. A file that cannot be
// opened shows "書きこみモードでファイルをオープンできませんでした。"; a failed write or close
// shows "error: " and the system's text for the error (at most 255 characters) and leaves the part
// written so far on disk. Both messages have the exclamation icon and the application title.
PageWriteResult WritePageFile(const std::string& path, const std::string& bytes,
                              UserDialogs& dialogs);
