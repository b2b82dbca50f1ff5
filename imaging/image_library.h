#pragma once

class UserDialogs;

// The process-wide binding of the imaging layer. Load checks that JPEG reading and writing and BMP
// reading and writing are available; when a piece is missing it shows "<piece>が見つかりません"
// (error icon, empty caption), naming the first missing one (e.g. the JPEG plug-in "libqjpeg.so"),
// and returns false. The programs go on: every ImgKit operation then fails safely.
class ImageLibrary {
  public:
    static bool Load(UserDialogs& dialogs);
    static void Unload();
    static bool IsLoaded();
};
