#pragma once

#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"
#include "imaging/image_codec.h"

class AlbumRecord;
class PictureSelection;
class ProgressSink;
class ShellOpener;
class UserDialogs;

// Everything an album build reads and talks to. The settings and the list are read, never changed,
// and only on the calling thread; the pictures are made on `workers` worker threads (0: one per
// processor) through `codec`, which must therefore take calls from several threads at once.
struct AlbumBuildContext {
    const AlbumSettings& settings;
    const PictureSelection& pictures;
    const MaterialFolders& materials;
    UserDialogs& dialogs;
    ProgressSink& progress;
    ShellOpener& shell;
    ImageCodec& codec;
    int workers = 0;
    // The album's record of what earlier builds made (BuildAlbum opens it): files still current
    // are kept as they are, and what is made is recorded. Null: every file is made, nothing
    // recorded.
    AlbumRecord* record = nullptr;
};

// The whole build started by the create button: refuses an empty selection, prepares folders,
// materials, copies and thumbnails, writes the pages, lists the pictures that could not be made in
// one message, then asks whether to open the first page. A stop asked for through the progress
// display ends it before the pages, or before the next page once the pages have begun, with a
// message saying how far it got. Returns true when every page was written.
bool BuildAlbum(const AlbumBuildContext& context);
