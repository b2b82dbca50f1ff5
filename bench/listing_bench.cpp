// How long the album maker's window stops answering while it lists a folder of many pictures, and
// while it is resized with such a folder listed.
//
// A folder of N empty picture files (names as cameras and phones give them, some long, some
// Japanese) is chosen in the Picture page's tree as a click would choose it. A timer that fires at
// every turn of the event loop records the longest time between two turns: that is the longest
// freeze the user could see. The sheet is then resized step by step between its opening size and a
// large size, and the same longest gap is recorded over the resizes. Prints both, with the time
// until the listing was complete and the processor time the program spent on it, in milliseconds
// (on a busy machine the wall times grow, the processor time much less).
//
// With --folders N..., a folder of N sub-folders (default 10,000 and 20,000) is opened in the same
// tree as a click on its expand button opens it, then closed: prints the time until every node had
// its place and the longest freeze, for each.
//
// With --grid [PICTURES [PHOTO_FOLDER]], the folder holds PICTURES (default 20,000) links to real
// photographs (bench/photos when fetched, else the test photographs), the list shows its grid of
// thumbnails, and the grid is scrolled from top to bottom a screenful every 16 ms, as a thrown
// scroll wheel would; then it is stopped at a few places until every thumbnail in sight came.
// Prints the longest freeze while scrolling and while the thumbnails come, the time until the
// thumbnails in sight are all shown, how many thumbnails the cache held at most, and the
// process's peak memory before and after.
//
// Run: QT_QPA_PLATFORM=offscreen listing_bench [PICTURES] (default 20000), or
// listing_bench --folders [N...], or listing_bench --grid [PICTURES [PHOTO_FOLDER]], or under
// xvfb-run.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidgetItem>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "album/settings/material_folders.h"
#include "album/shell/c_picture_page.h"
#include "album/shell/c_prop_sheet.h"
#include "imaging/image_library.h"
#include "platform/console_user_dialogs.h"
#include "platform/shell_opener.h"
#include "widgets/c_folder_tree.h"
#include "widgets/c_picture_list.h"
#include "widgets/thumbnail_loader.h"

namespace fs = std::filesystem;

namespace {

class NoShell : public ShellOpener {
  public:
    void OpenWithShell(const std::string&) override {}
};

// The longest time between two turns of the event loop while `work` runs and `seconds` pass.
struct GapMeter {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticker;

    GapMeter() {
        ticker.setInterval(0);
        QObject::connect(&ticker, &QTimer::timeout, [this] { Tick(); });
    }
    void Tick() {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - last);
        last = now;
    }
    void Start() {
        longest = 0;
        clock.start();
        last = 0;
        ticker.start();
    }
    double LongestMs() const { return longest / 1e6; }
};

void MakeFolder(const fs::path& folder, int pictures) {
    fs::create_directories(folder);
    for (int i = 0; i < pictures; ++i) {
        std::string name;
        switch (i % 4) {
            case 0:
                name = "IMG_" + std::to_string(10000 + i) + ".JPG";
                break;
            case 1:
                name = "DSC" + std::to_string(100000 + i) + ".jpg";
                break;
            case 2:
                name = "PXL_20240812_0931" + std::to_string(10000 + i) + ".MP.jpg";
                break;
            default:
                name = "夏休み_海辺の写真_" + std::to_string(i) + ".jpeg";
                break;
        }
        std::ofstream(folder / name) << "";
    }
}

// Processor time of this thread, in milliseconds.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

void RunLoopFor(int ms) {
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Names as people and programs give folders: dates, events, camera folders, Japanese.
void MakeSubFolders(const fs::path& folder, int count) {
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        std::string name;
        switch (i % 4) {
            case 0:
                name = "2024-08-" + std::to_string(i);
                break;
            case 1:
                name = std::to_string(100 + i % 900) + "CANON_" + std::to_string(i);
                break;
            case 2:
                name = "Trip to Kyoto " + std::to_string(i);
                break;
            default:
                name = "運動会_" + std::to_string(i);
                break;
        }
        fs::create_directory(folder / name);
    }
}

// Runs `act`, then the event loop until `done` holds; returns the wall time in milliseconds and
// the longest freeze seen.
std::pair<qint64, double> Measure(GapMeter& meter, const std::function<void()>& act,
                                  const std::function<bool()>& done) {
    QElapsedTimer clock;
    meter.Start();
    clock.start();
    qint64 took = -1;
    QTimer::singleShot(20, act);
    while (clock.elapsed() < 600000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done()) {
            took = clock.elapsed() - 20;
            RunLoopFor(200);
            break;
        }
    }
    meter.ticker.stop();
    return {took, meter.LongestMs()};
}

// Opens and closes a folder of `count` sub-folders in the Picture page's tree.
int RunFolders(CPropSheet& sheet, const fs::path& work, const std::vector<int>& counts) {
    CFolderTree* tree = sheet.PicturePage()->Tree();
    GapMeter meter;
    for (const int count : counts) {
        const fs::path folder = work / ("folders-" + std::to_string(count));
        MakeSubFolders(folder, count);
        // The work folder is the tree's only root.
        QTreeWidgetItem* root = tree->topLevelItem(0);
        root->setExpanded(true);
        tree->Refresh();
        RunLoopFor(300);
        QTreeWidgetItem* node = nullptr;
        for (int i = 0; i < root->childCount(); ++i)
            if (tree->GetPath(root->child(i)) == folder.string()) node = root->child(i);
        if (node == nullptr) return 1;
        node->setExpanded(false);
        RunLoopFor(100);
        const auto [opened_ms, open_gap] = Measure(
            meter, [&] { node->setExpanded(true); },
            [&] {
                return node->childCount() == count &&
                       tree->visualItemRect(node->child(count - 1)).isValid();
            });
        const auto [closed_ms, close_gap] = Measure(
            meter, [&] { node->setExpanded(false); }, [&] { return node->childCount() == 1; });
        std::printf(
            "%6d sub-folders: opened after %lld ms (longest freeze %.1f ms), closed after "
            "%lld ms (longest freeze %.1f ms)\n",
            count, static_cast<long long>(opened_ms), open_gap, static_cast<long long>(closed_ms),
            close_gap);
        if (opened_ms < 0 || closed_ms < 0) return 1;
    }
    return 0;
}

// The process's peak resident memory so far, in megabytes (VmHWM).
double PeakMemoryMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    return 0;
}

// A folder of `pictures` links to the photographs of `photos`, named as cameras name them.
bool MakePhotoFolder(const fs::path& folder, int pictures, const fs::path& photos) {
    std::vector<fs::path> sources;
    for (const auto& entry : fs::directory_iterator(photos)) {
        const std::string ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".jpg" || ext == ".JPG"))
            sources.push_back(entry.path());
    }
    if (sources.empty()) return false;
    std::sort(sources.begin(), sources.end());
    fs::create_directories(folder);
    for (int i = 0; i < pictures; ++i) {
        const std::string name = "IMG_" + std::to_string(100000 + i) + ".jpg";
        fs::create_symlink(fs::absolute(sources[i % sources.size()]), folder / name);
    }
    return true;
}

// True when every line in sight has its thumbnail (made, or marked as unreadable).
bool AllInSight(CPictureList* list) {
    const auto [first, last] = list->VisibleLines();
    for (int i = first; i <= last; ++i) {
        if (list->Thumbnails().Find(list->ItemText(i)) == nullptr) return false;
    }
    return last >= first;
}

int RunGrid(CPropSheet& sheet, const fs::path& folder, int pictures) {
    CPictureList* list = sheet.PicturePage()->List();
    sheet.PicturePage()->Tree()->SelectPath(folder.string());
    RunLoopFor(300);
    if (list->count() != pictures) return 1;
    // A window as a user would have it for looking through pictures.
    sheet.resize(1200, 800);
    RunLoopFor(300);
    const double memory_before = PeakMemoryMb();
    GapMeter meter;
    int most_cached = 0;
    QTimer cache_watch;
    cache_watch.setInterval(5);
    QObject::connect(&cache_watch, &QTimer::timeout,
                     [&] { most_cached = std::max(most_cached, list->Thumbnails().Cached()); });
    cache_watch.start();

    // The first screen: the time until its thumbnails are all there.
    QElapsedTimer clock;
    meter.Start();
    clock.start();
    list->SetView(PictureView::Grid, false);
    while (!AllInSight(list) && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 first_screen = clock.elapsed();
    meter.ticker.stop();
    const double first_gap = meter.LongestMs();

    // Thrown to the bottom a screenful every 16 ms.
    QScrollBar* bar = list->verticalScrollBar();
    meter.Start();
    clock.start();
    int steps = 0;
    for (int at = 0; at <= bar->maximum(); at += list->viewport()->height(), ++steps) {
        bar->setValue(at);
        RunLoopFor(16);
    }
    bar->setValue(bar->maximum());
    RunLoopFor(16);
    const qint64 scrolled = clock.elapsed();
    meter.ticker.stop();
    const double scroll_gap = meter.LongestMs();

    // Stopped at five places: the time until every thumbnail in sight came.
    meter.Start();
    qint64 slowest_stop = 0;
    for (int stop = 0; stop < 5; ++stop) {
        bar->setValue(bar->maximum() * (2 * stop + 1) / 10);
        clock.start();
        while (!AllInSight(list) && clock.elapsed() < 60000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        slowest_stop = std::max(slowest_stop, clock.elapsed());
    }
    meter.ticker.stop();
    const double stops_gap = meter.LongestMs();
    cache_watch.stop();

    const auto [first, last] = list->VisibleLines();
    std::printf("pictures in the grid:                     %d (%d in sight)\n", list->count(),
                last - first + 1);
    std::printf("first screen of thumbnails after:         %lld ms (longest freeze %.1f ms)\n",
                static_cast<long long>(first_screen), first_gap);
    std::printf("scrolled to the bottom in:                %lld ms, %d screens\n",
                static_cast<long long>(scrolled), steps);
    std::printf("longest freeze while scrolling:           %.1f ms\n", scroll_gap);
    std::printf("slowest stop until its thumbnails came:   %lld ms (longest freeze %.1f ms)\n",
                static_cast<long long>(slowest_stop), stops_gap);
    std::printf("thumbnails cached at most:                %d (box %d px)\n", most_cached,
                list->Thumbnails().Box());
    std::printf("peak memory before / after the grid:      %.0f MB / %.0f MB\n", memory_before,
                PeakMemoryMb());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    const bool folders_only = argc > 1 && std::string(argv[1]) == "--folders";
    const bool grid = argc > 1 && std::string(argv[1]) == "--grid";
    std::vector<int> folder_counts;
    for (int i = 2; folders_only && i < argc; ++i) folder_counts.push_back(std::atoi(argv[i]));
    if (folders_only && folder_counts.empty()) folder_counts = {10000, 20000};
    int pictures = !folders_only && !grid && argc > 1 ? std::atoi(argv[1]) : 20000;
    if (grid && argc > 2) pictures = std::atoi(argv[2]);
    fs::path photos = fs::path(PICTAVO_SOURCE_DIR) / "bench/photos";
    if (!fs::is_directory(photos)) photos = fs::path(PICTAVO_SOURCE_DIR) / "tests/data/photos";
    if (grid && argc > 3) photos = argv[3];

    const fs::path work = fs::temp_directory_path() / "pictavo-listing-bench";
    fs::remove_all(work);
    const fs::path folder = work / "photos";
    if (folders_only) {
        fs::create_directories(work);  // the tree shows only roots that exist
    } else if (grid) {
        if (!MakePhotoFolder(folder, pictures, photos)) {
            std::fprintf(stderr, "no photographs in %s\n", photos.string().c_str());
            return 2;
        }
    } else {
        MakeFolder(folder, pictures);
    }

    ConsoleUserDialogs dialogs(std::cerr, "listing_bench", false);
    ImageLibrary::Load(dialogs);
    NoShell shell;
    const MaterialFolders folders = MaterialFolders::FromStartDirectory(work.string());
    CPropSheet sheet(QStringLiteral("Pictavo"), folders, dialogs, shell);
    const std::string root = work.string();
    sheet.PicturePage()->Tree()->SetRootProvider([root] {
        return std::vector<FolderRoot>{{root, RootKind::Fixed}};
    });
    sheet.Settings().picture_path = root + "/";
    sheet.Create();
    RunLoopFor(300);
    if (folders_only || grid) {
        const int status =
            grid ? RunGrid(sheet, folder, pictures) : RunFolders(sheet, work, folder_counts);
        fs::remove_all(work);
        ImageLibrary::Unload();
        return status;
    }

    GapMeter meter;
    CPictureList* list = sheet.PicturePage()->List();
    QElapsedTimer listing;
    meter.Start();
    listing.start();
    const double cpu_before = ThreadCpuMs();
    double listed_cpu = -1;
    qint64 listed_ms = -1;
    QTimer::singleShot(20, [&] { sheet.PicturePage()->Tree()->SelectPath(folder.string()); });
    // Complete when every line has a place: the last line's rectangle is laid out.
    while (listing.elapsed() < 5000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (listed_ms < 0 && list->count() == pictures &&
            list->visualItemRect(list->item(pictures - 1)).isValid() &&
            list->horizontalScrollBar()->maximum() > 0) {
            listed_ms = listing.elapsed();
            listed_cpu = ThreadCpuMs() - cpu_before;
            RunLoopFor(300);
            break;
        }
    }
    meter.ticker.stop();
    const double listing_gap = meter.LongestMs();

    const QSize opening = sheet.size();
    meter.Start();
    for (int step = 0; step < 20; ++step) {
        const int grow = (step % 10) * 60;
        sheet.resize(opening.width() + grow, opening.height() + grow * 2 / 3);
        RunLoopFor(40);
    }
    sheet.resize(opening);
    RunLoopFor(100);
    meter.ticker.stop();

    std::printf("pictures listed:                 %d\n", list->count());
    std::printf("listing complete after:          %lld ms (%.0f ms of processor time)\n",
                static_cast<long long>(listed_ms), listed_cpu);
    std::printf("longest freeze while listing:    %.1f ms\n", listing_gap);
    std::printf("longest freeze while resizing:   %.1f ms\n", meter.LongestMs());
    fs::remove_all(work);
    ImageLibrary::Unload();
    return list->count() == pictures ? 0 : 1;
}
