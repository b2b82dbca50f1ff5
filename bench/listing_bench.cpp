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
// Run: QT_QPA_PLATFORM=offscreen listing_bench [PICTURES] (default 20000), or under xvfb-run.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "album/settings/material_folders.h"
#include "album/shell/c_picture_page.h"
#include "album/shell/c_prop_sheet.h"
#include "browser/c_folder_tree.h"
#include "browser/c_picture_list.h"
#include "imaging/image_library.h"
#include "platform/console_user_dialogs.h"
#include "platform/shell_opener.h"

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

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Pictavo"));
    const int pictures = argc > 1 ? std::atoi(argv[1]) : 20000;

    const fs::path work = fs::temp_directory_path() / "pictavo-listing-bench";
    fs::remove_all(work);
    const fs::path folder = work / "photos";
    MakeFolder(folder, pictures);

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
