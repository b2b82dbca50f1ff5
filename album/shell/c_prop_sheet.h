#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "album/settings/album_settings.h"
#include "album/settings/material_folders.h"

class CHtmlPage;
class COutPage;
class CPicturePage;
class PropertyPage;
class ProgressSink;
class QTabWidget;
class ShellOpener;
class UserDialogs;

// The album maker's one window: four tabbed pages ("ピクチャー", "HTML", "スタイル", "作成") over
// the one settings record. A page that refuses to be left (a wrong value) keeps the user on it.
// The album build runs here, reading every page's fields and the Picture page's list as they stand.
// Closing the window first copies the open page's controls, quietly (see PropertyPage::OnClosing).
class CPropSheet : public QWidget {
    Q_OBJECT
  public:
    // `folders`, `dialogs` and `shell` outlive the sheet. `program_folder` (ending in a separator,
    // or empty) helps the Picture page find the help page.
    CPropSheet(const QString& caption, const MaterialFolders& folders, UserDialogs& dialogs,
               ShellOpener& shell, std::string program_folder = {}, QWidget* parent = nullptr);
    ~CPropSheet() override;

    // The settings the pages edit; LoadSettings fills them before Create.
    AlbumSettings& Settings() { return settings_; }
    const AlbumSettings& Settings() const { return settings_; }

    // Shows the first page's fields, then the window: centred on the screen at its opening size,
    // or where and as large as it was left in the last run.
    void Create();

    // A folder or picture file dropped on the window: the Picture page opens it in its tree.
    void OpenDropped(const std::string& path);
    // Folders or pictures named on the command line: the Picture page opens the first and
    // highlights the pictures named (PictureBrowser::OpenPaths); a message lists the paths that
    // could not be opened.
    void OpenPaths(const std::vector<std::string>& paths);

    // Runs the album build with a progress window (the create button, after its checks). An album
    // made in its picture folder first asks before it turns pictures over their own files.
    void BuildAlbum();
    // Replaces the progress display of the build (tests record it); nullptr restores the window.
    void SetProgressSink(ProgressSink* sink) { progress_override_ = sink; }

    QTabWidget* Tabs() const { return tabs_; }
    CPicturePage* PicturePage() const { return picture_page_; }
    CHtmlPage* HtmlPage() const { return html_page_; }
    PropertyPage* StylePage() const { return style_page_; }
    COutPage* OutPage() const { return out_page_; }
    PropertyPage* Page(int index) const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void OnTabChanged(int index);
    void SetTab(int index);

    AlbumSettings settings_;
    const MaterialFolders& folders_;
    UserDialogs& dialogs_;
    ShellOpener& shell_;
    ProgressSink* progress_override_ = nullptr;

    QTabWidget* tabs_;
    CPicturePage* picture_page_;
    CHtmlPage* html_page_;
    PropertyPage* style_page_;
    COutPage* out_page_;
    int current_ = -1;
    bool switching_ = false;
};
