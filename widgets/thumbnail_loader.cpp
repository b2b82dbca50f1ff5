#include "widgets/thumbnail_loader.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

#include "core/wanted_work.h"
#include "imaging/imgkit.h"
#include "platform/machine_resources.h"

namespace {

// One worker per processor but the one the window needs, and never more than a few: a thumbnail
// decodes at an eighth of the picture's size, so a few keep up with any scrolling, and the jobs
// (which hold the thumbnails while they run) get every processor.
int ThumbnailWorkers() {
    return std::clamp(UsableProcessorCount() - 1, 1, 3);
}

}  // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent)
    : QObject(parent),
      work_(std::make_unique<WantedWork>(
          ThumbnailWorkers(), [this](const std::string& path) { MakeOnWorker(path); },
          LowerThisThreadPriority)) {}

ThumbnailLoader::~ThumbnailLoader() {
    // The workers post to this object: they end before anything else of it goes.
    work_.reset();
}

void ThumbnailLoader::SetBox(int pixels) {
    pixels = std::max(8, pixels);
    if (pixels == box_) return;
    box_ = pixels;
    worker_box_ = pixels;
    Forget();
}

void ThumbnailLoader::SetFolder(const std::string& folder) {
    if (folder == folder_) return;
    folder_ = folder;
    Forget();
}

void ThumbnailLoader::Forget() {
    work_->Want({});
    cache_.clear();
    uses_.clear();
}

const ThumbnailLoader::Thumbnail* ThumbnailLoader::Find(const std::string& name) {
    const auto found = cache_.find(name);
    if (found == cache_.end()) return nullptr;
    uses_.splice(uses_.begin(), uses_, found->second.use);
    return &found->second.thumbnail;
}

void ThumbnailLoader::Want(const std::vector<std::string>& names) {
    // Twice what is asked for: the pictures in sight and those just beyond stay while the user
    // scrolls back and forth, however large the window.
    capacity_ = std::max<std::size_t>(kCacheSize, names.size() * 2);
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) {
        if (cache_.count(name) == 0) paths.push_back(folder_ + name);
    }
    work_->Want(std::move(paths));
}

void ThumbnailLoader::Recheck() {
    std::vector<std::string> changed;
    for (const auto& [name, entry] : cache_) {
        if (!(StampOfFile(folder_ + name) == entry.stamp)) changed.push_back(name);
    }
    for (const std::string& name : changed) {
        const auto found = cache_.find(name);
        uses_.erase(found->second.use);
        cache_.erase(found);
        emit Loaded(name);
    }
}

void ThumbnailLoader::Hold(bool held) {
    work_->Hold(held);
}

void ThumbnailLoader::WaitUntilIdle() {
    work_->WaitUntilIdle();
    QCoreApplication::sendPostedEvents(this);
}

ThumbnailLoader::Thumbnail ThumbnailLoader::Make(const std::string& path, int box) {
    Thumbnail made;
    // A damaged picture shows as far as it decodes, as the preview shows it.
    ImageHandle picture = ImgKitFileLoad(path, box, box, ImgKitDamage::Show);
    ImgKitInfoRecord info;
    ImgKitImageInfo(picture, info);
    const int width = info.values[0];
    const int height = info.values[1];
    if (!picture || width < 1 || height < 1) {
        made.failed = true;
        return made;
    }
    // Fitted into the box, never enlarged; the load kept at least the box's size, and reports the
    // whole picture's.
    int fitted_width = width;
    int fitted_height = height;
    if (width > box || height > box) {
        if (width >= height) {
            fitted_width = box;
            fitted_height =
                std::max(1, static_cast<int>(static_cast<std::int64_t>(height) * box / width));
        } else {
            fitted_height = box;
            fitted_width =
                std::max(1, static_cast<int>(static_cast<std::int64_t>(width) * box / height));
        }
    }
    const ImageHandle small = ImgKitImageSize(picture, fitted_width, fitted_height);
    const QImage* pixels = ImgKitPixels(small);
    if (pixels == nullptr || pixels->isNull()) {
        made.failed = true;
        return made;
    }
    // A copy of its own: the handle's pixels go with the handle.
    made.image = pixels->copy();
    return made;
}

void ThumbnailLoader::MakeOnWorker(const std::string& path) {
    const int box = worker_box_;
    // Stamped before the load: a file replaced during it is read again at the next recheck.
    const FileStamp stamp = StampOfFile(path);
    Thumbnail made = Make(path, box);
    QMetaObject::invokeMethod(
        this,
        [this, path, box, made = std::move(made), stamp]() mutable {
            TakeMade(path, box, std::move(made), stamp);
        },
        Qt::QueuedConnection);
}

void ThumbnailLoader::TakeMade(const std::string& path, int box, Thumbnail thumbnail,
                               FileStamp stamp) {
    // Made for another folder or another box: no longer wanted.
    if (box != box_ || path.size() <= folder_.size() || path.compare(0, folder_.size(), folder_))
        return;
    const std::string name = path.substr(folder_.size());
    if (name.find('/') != std::string::npos) return;
    auto found = cache_.find(name);
    if (found != cache_.end()) {
        uses_.erase(found->second.use);
        cache_.erase(found);
    }
    uses_.push_front(name);
    cache_.emplace(name, Entry{std::move(thumbnail), stamp, uses_.begin()});
    Trim();
    emit Loaded(name);
}

void ThumbnailLoader::Trim() {
    while (cache_.size() > capacity_ && !uses_.empty()) {
        cache_.erase(uses_.back());
        uses_.pop_back();
    }
}
