#pragma once

#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"
#include "browser/imaging/image_codec.h"

class PictureSelection;
class ProgressSink;
class ShellOpener;
class UserDialogs;

// Everything an album build reads and talks to. The settings and the list are read, never changed.
struct AlbumBuildContext {
    const AlbumSettings& settings;
    const PictureSelection& pictures;
    const MaterialFolders& materials;
    UserDialogs& dialogs;
    ProgressSink& progress;
    ShellOpener& shell;
    ImageCodec& codec;
};

// The whole build started by the create button: refuses an empty selection, prepares folders,
// materials, copies and thumbnails, writes the pages, then asks whether to open the first page.
// Returns true when the pages were written.
bool BuildAlbum(const AlbumBuildContext& context);
