#include "widgets/window_placement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile_store.h"

namespace {

QString& PlacementFile() {
    static QString file;
    return file;
}

constexpr const char* kSides[4] = {"x", "y", "width", "height"};
constexpr const char* kMaximized = "maximized";

// A stored coordinate: an optional minus sign and at most 12 decimal digits, nothing else. The
// file is read as plain text and never handed to a deserialiser, so that a hostile value (a
// serialised variant nested thousands deep, say) is refused here as one line that is no number.
// Twelve digits hold any coordinate and cannot overflow the 64-bit sums below.
std::optional<long long> PlainInteger(std::string_view text) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 12) return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// A window's rectangle before it is brought onto a screen, in 64 bits: a stored position may be
// any integer, and QRect would overflow on its right or bottom edge.
struct Extent {
    long long left, top, width, height;
};

long long Bounded(long long value, long long low, long long high) {
    return std::max(low, std::min(value, high));
}

// The start of a span of `size` moved inside [low, low + room) as far as its size allows; a span
// longer than the room starts at `low`.
long long Within(long long start, long long size, long long low, long long room) {
    return Bounded(start, low, std::max(low, low + room - size));
}

long long OverlapArea(const Extent& rect, const QRect& free) {
    const long long width = std::min(rect.left + rect.width, free.left() + 0LL + free.width()) -
                            std::max(rect.left, free.left() + 0LL);
    const long long height = std::min(rect.top + rect.height, free.top() + 0LL + free.height()) -
                             std::max(rect.top, free.top() + 0LL);
    return width > 0 && height > 0 ? width * height : 0;
}

// The window's rectangle inside the screen's free area: no larger than the area less the frame,
// never below its minimum size; placed so that the whole frame is on the screen where it fits,
// else with the frame's top-left corner (and so its title bar) on it.
QRect Fitted(const Extent& rect, const QMargins& frame, const QRect& free, const QSize& minimum,
             const QSize& maximum) {
    const long long frame_width = frame.left() + frame.right();
    const long long frame_height = frame.top() + frame.bottom();
    const long long width = std::max<long long>(
        minimum.width(),
        std::min<long long>({rect.width, maximum.width(), free.width() - frame_width}));
    const long long height = std::max<long long>(
        minimum.height(),
        std::min<long long>({rect.height, maximum.height(), free.height() - frame_height}));
    const long long left =
        Within(rect.left - frame.left(), width + frame_width, free.left(), free.width()) +
        frame.left();
    const long long top =
        Within(rect.top - frame.top(), height + frame_height, free.top(), free.height()) +
        frame.top();
    return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(width),
                 static_cast<int>(height));
}

// Saves the window's placement whenever it goes out of sight (closed, or hidden when a dialog
// ends), so that the last one seen is the one restored; and when it is first shown after a
// restore, brings its frame onto the screen, the frame being known only then.
class PlacementKeeper : public QObject {
  public:
    PlacementKeeper(QWidget* window, QString key) : QObject(window), window_(window), key_(key) {
        window_->installEventFilter(this);
    }

    void FitFrameWhenShown() { fit_when_shown_ = true; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
            Save();
        if (watched == window_ && event->type() == QEvent::Show && fit_when_shown_) {
            fit_when_shown_ = false;
            FitFrame();
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    void Save() const {
        if (PlacementFile().isEmpty()) return;
        // The size and place it has when not maximised, so that leaving the maximised state in
        // the next run gives back the window the user had made.
        const QRect normal =
            window_->normalGeometry().isValid() ? window_->normalGeometry() : window_->geometry();
        const std::string values[5] = {
            std::to_string(normal.x()), std::to_string(normal.y()), std::to_string(normal.width()),
            std::to_string(normal.height()),
            window_->windowState().testFlag(Qt::WindowMaximized) ? "true" : "false"};
        ProfileStore store(PlacementFile().toStdString());
        const ProfileStore::Snapshot kept = store.Read();
        const std::string group = key_.toStdString();
        // Only what changed is written, in one replace of the file: a window that is closed, then
        // hidden, writes once.
        std::vector<ProfileStore::Value> changed;
        for (int i = 0; i < 5; ++i) {
            const char* name = i < 4 ? kSides[i] : kMaximized;
            if (kept.ReadText(group, name, std::string()) != values[i])
                changed.push_back({name, values[i]});
        }
        if (!changed.empty()) store.WriteSection(group, changed);
    }

    void FitFrame() {
        constexpr Qt::WindowStates kWhole =
            Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
        const QWindow* handle = window_->windowHandle();
        const QScreen* screen = window_->screen();
        if ((window_->windowState() & kWhole) || handle == nullptr || screen == nullptr) return;
        const QRect now = window_->geometry();
        const QRect fitted =
            Fitted({now.x(), now.y(), now.width(), now.height()}, handle->frameMargins(),
                   screen->availableGeometry(), window_->minimumSize(), window_->maximumSize());
        if (fitted != now) window_->setGeometry(fitted);
    }

    QWidget* window_;
    QString key_;
    bool fit_when_shown_ = false;
};

}  // namespace

void SetWindowPlacementFile(const QString& path) {
    PlacementFile() = path;
}

QString WindowPlacementFile() {
    return PlacementFile();
}

QString DefaultWindowPlacementFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/' +
           QCoreApplication::applicationName().toLower() + QStringLiteral("/windows.conf");
}

bool KeepWindowPlacement(QWidget* window, const QString& key) {
    if (PlacementFile().isEmpty()) return false;
    auto* keeper = new PlacementKeeper(window, key);

    const ProfileStore::Snapshot kept = ProfileStore(PlacementFile().toStdString()).Read();
    const std::string group = key.toStdString();
    long long values[4] = {};
    for (int i = 0; i < 4; ++i) {
        const std::optional<long long> value =
            PlainInteger(kept.ReadText(group, kSides[i], std::string()));
        if (!value) return false;  // never saved, or not written by us: the caller places it
        values[i] = *value;
    }
    const std::string maximized = kept.ReadText(group, kMaximized, std::string());

    const QSize minimum = window->minimumSize();
    const QSize maximum = window->maximumSize();
    Extent rect{values[0], values[1], Bounded(values[2], minimum.width(), maximum.width()),
                Bounded(values[3], minimum.height(), maximum.height())};
    // The screen that holds most of it; a place on no screen (one that is gone) comes back in the
    // middle of the primary one.
    const QScreen* best = nullptr;
    long long best_area = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const long long area = OverlapArea(rect, screen->availableGeometry());
        if (area > best_area) {
            best = screen;
            best_area = area;
        }
    }
    if (best == nullptr) best = QGuiApplication::primaryScreen();
    if (best == nullptr) return false;
    const QRect free = best->availableGeometry();
    if (best_area == 0) {
        rect.left =
            free.left() + (free.width() - std::min<long long>(rect.width, free.width())) / 2;
        rect.top =
            free.top() + (free.height() - std::min<long long>(rect.height, free.height())) / 2;
    }
    // The frame is not known before the window is shown: its client area is fitted now, the
    // frame when it appears.
    window->setGeometry(Fitted(rect, QMargins(), free, minimum, maximum));
    keeper->FitFrameWhenShown();
    if (maximized == "true" || maximized == "1")
        window->setWindowState(window->windowState() | Qt::WindowMaximized);
    return true;
}

std::string KeptWindowValue(const std::string& group, const std::string& key) {
    if (PlacementFile().isEmpty()) return {};
    return ProfileStore(PlacementFile().toStdString()).ReadText(group, key, std::string());
}

void KeepWindowValue(const std::string& group, const std::string& key, const std::string& value) {
    if (PlacementFile().isEmpty()) return;
    ProfileStore store(PlacementFile().toStdString());
    if (store.ReadText(group, key, std::string()) != value) store.WriteText(group, key, value);
}
