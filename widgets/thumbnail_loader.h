#pragma once

#include <QImage>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

class WantedWork;

// The thumbnails of the picture list's grid: made on worker threads from the imaging layer's
// reduced-scale load (never on the window's thread), the ones asked for last first, kept in a
// cache of the most recently used few hundred, and handed to the window through queued signals.
//
// Every picture the list shows is asked of the imaging layer, whatever its kind, so that a kind
// the layer learns to read gets its thumbnail with nothing changed here; a picture it cannot read
// gets a thumbnail marked as failed, which the grid shows as "cannot be shown".
class ThumbnailLoader : public QObject {
    Q_OBJECT
  public:
    // What the cache holds for one picture.
    struct Thumbnail {
        QImage image;         // upright, fitted into the box; null when failed
        bool failed = false;  // the imaging layer could not read the picture
    };

    // The fewest thumbnails kept; more while more are in sight at once (see Want).
    static constexpr int kCacheSize = 400;

    explicit ThumbnailLoader(QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // The box every thumbnail is fitted into, in device pixels (a picture smaller than the box
    // keeps its size). A new box forgets every thumbnail.
    void SetBox(int pixels);
    int Box() const { return box_; }
    // The folder the names are in (ending in a separator). Another folder forgets every thumbnail
    // and every name still waiting; thumbnails of the earlier folder that come in later are
    // dropped.
    void SetFolder(const std::string& folder);
    // The thumbnail of `name`, or nullptr while it is not made (asked for or not).
    const Thumbnail* Find(const std::string& name);
    // The names whose thumbnails are wanted now, the most wanted first (the pictures in sight,
    // then those just beyond): they replace the names still waiting, so pictures scrolled out of
    // sight are not made. The cache keeps at least twice as many thumbnails as are asked for.
    void Want(const std::vector<std::string>& names);
    // Forgets the thumbnails whose files changed or went since they were made (after the folder
    // changed on disk); Loaded follows for each, so that the grid asks for them again.
    void Recheck();
    // While held (a job runs), no thumbnail is started.
    void Hold(bool held);

    // Blocks until no thumbnail is being made or waiting, then hands over the ones made. For tests
    // and benchmarks.
    void WaitUntilIdle();
    // Thumbnails in the cache.
    int Cached() const { return static_cast<int>(cache_.size()); }

    // A picture's thumbnail made as the workers make it: its reduced-scale load fitted into a box
    // of `box` pixels; failed when the imaging layer cannot read it. Safe on any thread.
    static Thumbnail Make(const std::string& path, int box);

  signals:
    // The thumbnail of `name` came in, or was forgotten (Recheck).
    void Loaded(const std::string& name);

  private:
    struct Entry {
        Thumbnail thumbnail;
        FileStamp stamp;
        std::list<std::string>::iterator use;  // its place in uses_
    };
    void MakeOnWorker(const std::string& path);
    void TakeMade(const std::string& path, int box, Thumbnail thumbnail, FileStamp stamp);
    void Forget();
    void Trim();

    std::string folder_;
    int box_ = 64;
    std::atomic<int> worker_box_{64};  // box_ as the workers read it
    std::size_t capacity_ = kCacheSize;
    std::unordered_map<std::string, Entry> cache_;  // by name
    std::list<std::string> uses_;                   // names, the most recently used first
    std::unique_ptr<WantedWork> work_;              // last member: gone first
};
