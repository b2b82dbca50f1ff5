#pragma once

#include <QObject>
#include <functional>
#include <string>

class QMimeData;
class QWidget;

// Lets files and folders from a file manager be dropped anywhere on a window: a local folder or
// file dropped on the window, or on any control inside it, goes to `open` (its path, as bytes the
// file system knows), instead of being pasted into a text box as its address. Other drags (text)
// keep their ordinary handling. The object belongs to the window.
class FolderDrop : public QObject {
    Q_OBJECT
  public:
    using Open = std::function<void(const std::string& path)>;

    FolderDrop(QWidget* window, Open open);

    // The first local file or folder a drag carries, or an empty text.
    static std::string DroppedPath(const QMimeData* data);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    Open open_;
};
