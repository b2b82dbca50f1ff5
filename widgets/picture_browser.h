#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <string>
#include <vector>

#include "core/picture_list_model.h"
#include "imaging/imgkit.h"
#include "platform/file_system.h"

class CFolderTree;
class CPictureList;
class PreviewFrame;
class QFileSystemWatcher;
class QPainter;
class QPlainTextEdit;
class QRect;
class QTimer;

// The panel logic shared by the album maker's Picture page and the resizer's dialog: choosing a
// folder in the tree lists its pictures, highlighting a picture previews it upright and turned as
// the user asked, the rotate button turns it once more, the select-all button checks every picture.
// With a comment box the box follows the highlighted picture and its edits become that picture's
// comment; without one (the resizer) comments are never touched.
//
// The list follows its folder: pictures added, removed or renamed there by another program come and
// go by themselves a moment later, and F5 (the tree's) reads the folder again at once; the other
// lines keep their checks, comments and turns, and the preview follows its picture. While a job
// runs (HoldFolder) the list is left as it is and is read again when the job is over.
//
// Ctrl+R turns the highlighted pictures a quarter clockwise, Ctrl+Shift+R a quarter the other way,
// anywhere in the window that holds the list while it is shown.
//
// The panel connects itself to the tree's FolderSelected, the list's HighlightedLineChanged, the
// frame's painting and the comment box's edits when constructed; owners only connect their buttons
// (rotate -> RotatePicture, select all -> SelectAllPictures) and, to follow the folder,
// FolderChanged. The widgets belong to the owner and must outlive the panel.
class PictureBrowser : public QObject {
    Q_OBJECT
  public:
    // comment_box may be nullptr (no comment step). `filter` chooses which files the list takes.
    PictureBrowser(CFolderTree* tree, CPictureList* list, PreviewFrame* frame,
                   QPlainTextEdit* comment_box, PictureFilter filter, QObject* parent = nullptr);
    ~PictureBrowser() override;

    // Opens the panel on a stored folder: Init of the tree, SelectPath(folder) (each level selected
    // may replace the folder), Init of the list, Fill with the folder as it then stands.
    void Start(const std::string& folder);

    // The tree's selection changed: a different folder (GetPath plus "/") refills the list and
    // clears the preview; the folder already shown (exact comparison) keeps list, checks and
    // comments.
    void OnFolderSelected();
    // A highlighted line changed: previews the first highlighted line, if any.
    void OnPictureChanged();
    // Shows line `index` (-1: none): releases the previous preview, loads the picture upright at
    // the frame's scale (any kind the registry decodes, by its content whatever its name says),
    // applies the line's quarter turns (modulo 4, none for a negative count), repaints the frame
    // and puts the line's comment into the comment box. A GIF is never loaded.
    void ShowPicture(int index);
    // Paints the preview area: the picture fitted into `area`, or light grey with "（なし）" when
    // no line is shown, "（表示できません）" when the shown line could not be loaded, with the
    // reason below it (PreviewNote) when there is one.
    void PaintPreview(QPainter& painter, const QRect& area) const;
    // One more quarter turn for the shown picture (list and preview); nothing when no picture is
    // held.
    void RotatePicture();
    // Turns every highlighted picture by `quarter_turns` (1 clockwise, 3 the other way), the
    // shown one in the preview as well. Pictures that cannot be shown are turned too: the jobs
    // copy them as they are.
    void TurnHighlighted(int quarter_turns);
    // Reads the folder again (see above); the preview is made again when its file changed.
    void RereadFolder();
    // While held (a job runs), the list is not read again and no thumbnail is made; a change seen
    // meanwhile is read when the hold ends.
    void HoldFolder(bool held);
    // Checks every line of the list.
    void SelectAllPictures();
    // A folder or file dropped on the window: a folder opens in the tree as a click on it would
    // (the folder already shown keeps its list); a file opens its folder and highlights its line
    // when it is listed. False when the tree cannot show the folder (hidden, or under no root).
    bool OpenDropped(const std::string& path);
    // Files or folders given on the command line (or by "Open with"): the first one that can be
    // opens as a dropped one does; the pictures among them that the list then shows are
    // highlighted, the first one shown. Returns the paths that could not be opened or lead
    // nowhere (empty when all were fine); a folder or file elsewhere is passed over.
    std::vector<std::string> OpenPaths(const std::vector<std::string>& paths);
    // The message for the paths OpenPaths could not open, one a line.
    static std::string RefusedPathsMessage(const std::vector<std::string>& paths);

    // The folder whose pictures the list shows; ends in "/" once a folder was chosen in the tree.
    const std::string& Folder() const { return folder_; }
    // The list index of the picture shown, -1 for none.
    int Current() const { return current_; }
    // The preview picture (empty when none is held).
    const ImageHandle& PreviewImage() const { return image_; }
    // Why the shown line has no preview, naming its format ("アニメーションの WebP です");
    // empty while a picture is shown, for a GIF and when no line is shown.
    const QString& PreviewNote() const { return note_; }

  signals:
    // The folder changed (a different folder was chosen in the tree); `folder` ends in "/".
    void FolderChanged(const std::string& folder);

  private:
    void WatchFolder();
    void OnCommentEdited();
    void ReloadAtNewScale();
    void LoadPreview();
    QSize FrameSizeInPixels() const;

    CFolderTree* tree_;
    CPictureList* list_;
    QPointer<PreviewFrame> frame_;
    QPlainTextEdit* comment_box_;
    PictureFilter filter_;
    std::string folder_;
    int current_ = -1;
    ImageHandle image_;
    QString note_;
    QSize decoded_for_;      // the frame size in pixels the held preview was decoded for
    FileStamp shown_stamp_;  // the shown picture's file when its preview was made
    QFileSystemWatcher* watcher_;
    QTimer* reread_timer_;  // gathers a burst of changes (a copy of many files) into one read
    int holds_ = 0;
    bool changed_while_held_ = false;
};

// Holds a panel's folder (PictureBrowser::HoldFolder) for as long as it lives: a job's scope.
class FolderHold {
  public:
    explicit FolderHold(PictureBrowser* browser) : browser_(browser) { browser_->HoldFolder(true); }
    ~FolderHold() { browser_->HoldFolder(false); }
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;

  private:
    PictureBrowser* browser_;
};
