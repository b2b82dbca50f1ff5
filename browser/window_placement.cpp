#include "browser/window_placement.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>

namespace {

QString& PlacementFile() {
    static QString file;
    return file;
}

// Saves the window's placement whenever it goes out of sight (closed, or hidden when a dialog
// ends), so that the last one seen is the one restored.
class PlacementSaver : public QObject {
  public:
    PlacementSaver(QWidget* window, QString key) : QObject(window), window_(window), key_(key) {
        window_->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && (event->type() == QEvent::Hide || event->type() == QEvent::Close))
            Save();
        return QObject::eventFilter(watched, event);
    }

  private:
    void Save() const {
        if (PlacementFile().isEmpty()) return;
        // The size and place it has when not maximised, so that leaving the maximised state in
        // the next run gives back the window the user had made.
        const QRect normal =
            window_->normalGeometry().isValid() ? window_->normalGeometry() : window_->geometry();
        QSettings settings(PlacementFile(), QSettings::IniFormat);
        settings.beginGroup(key_);
        settings.setValue(QStringLiteral("x"), normal.x());
        settings.setValue(QStringLiteral("y"), normal.y());
        settings.setValue(QStringLiteral("width"), normal.width());
        settings.setValue(QStringLiteral("height"), normal.height());
        settings.setValue(QStringLiteral("maximized"),
                          window_->windowState().testFlag(Qt::WindowMaximized));
        settings.endGroup();
    }

    QWidget* window_;
    QString key_;
};

// The saved rectangle on a screen: on the screen that holds most of it, moved inside that
// screen's free area as far as its size allows.
QRect OnScreen(QRect rect) {
    const QScreen* best = nullptr;
    long long best_area = 0;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect common = rect.intersected(screen->availableGeometry());
        const long long area = static_cast<long long>(common.width()) * common.height();
        if (area > best_area) {
            best = screen;
            best_area = area;
        }
    }
    if (best == nullptr) best = QGuiApplication::primaryScreen();
    if (best == nullptr) return rect;
    const QRect free = best->availableGeometry();
    if (best_area == 0) rect.moveCenter(free.center());
    // Where the window is larger than the screen, its top-left corner (and so its caption)
    // stays on the screen.
    rect.moveLeft(std::clamp(rect.left(), free.left(),
                             std::max(free.left(), free.left() + free.width() - rect.width())));
    rect.moveTop(std::clamp(rect.top(), free.top(),
                            std::max(free.top(), free.top() + free.height() - rect.height())));
    return rect;
}

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
    new PlacementSaver(window, key);

    QSettings settings(PlacementFile(), QSettings::IniFormat);
    settings.beginGroup(key);
    int values[4] = {};
    const char* const names[4] = {"x", "y", "width", "height"};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = settings.value(QLatin1String(names[i])).toInt(&ok);
        if (!ok) return false;  // never saved, or not written by us: the caller places it
    }
    const bool maximized = settings.value(QStringLiteral("maximized")).toBool();
    QRect rect(values[0], values[1], values[2], values[3]);

    rect.setSize(rect.size().expandedTo(window->minimumSize()).boundedTo(window->maximumSize()));
    window->setGeometry(OnScreen(rect));
    if (maximized) window->setWindowState(window->windowState() | Qt::WindowMaximized);
    return true;
}
