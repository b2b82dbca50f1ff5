#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>
#include <string>

#include "core/picture_list_model.h"
#include "imaging/imgkit.h"

class CFolderTree;
class CPictureList;
class PreviewFrame;
class QPainter;
class QPlainTextEdit;
class QRect;

// The panel logic shared by the album maker's Picture page and the resizer's dialog: choosing a
// folder in the tree lists its pictures, highlighting a picture previews it upright and turned as
// the user asked, the rotate button turns it once more, the select-all button checks every picture.
// With a comment box the box follows the highlighted picture and its edits become that picture's
// comment; without one (the resizer) comments are never touched.
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
    // Checks every line of the list.
    void SelectAllPictures();
    // A folder or file dropped on the window: a folder opens in the tree as a click on it would
    // (the folder already shown keeps its list); a file opens its folder and highlights its line
    // when it is listed. False when the tree cannot show the folder (hidden, or under no root).
    bool OpenDropped(const std::string& path);

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
    QSize decoded_for_;  // the frame size in pixels the held preview was decoded for
};
