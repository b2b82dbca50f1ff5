#include "widgets/folder_drop.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

FolderDrop::FolderDrop(QWidget* window, Open open) : QObject(window), open_(std::move(open)) {
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // Text boxes take drops of their own; they hand files and folders to the window's handling.
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (control->acceptDrops()) control->installEventFilter(this);
    }
}

std::string FolderDrop::DroppedPath(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) return QFile::encodeName(url.toLocalFile()).toStdString();
    }
    return {};
}

bool FolderDrop::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDropEvent*>(event);
            if (DroppedPath(drag->mimeData()).empty()) break;
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const std::string path = DroppedPath(drop->mimeData());
            if (path.empty()) break;
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            open_(path);
            return true;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}
