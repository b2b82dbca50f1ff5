#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/style/themes/theme_store.h"
#include "widgets/property_page.h"

class CColorButton;
class QComboBox;
class QFrame;
class QListWidget;
class QPainter;
class QPushButton;
class ShellOpener;
class UserDialogs;
struct AlbumSettings;
struct MaterialFolders;

// The wizard page "スタイル": the colours and HTML font sizes of the album's title, description and
// thumbnail comments, the page background, the wallpaper, rule image and background music, a live
// preview, and the coordinate themes. Every change is written into the settings at once, so leaving
// the page needs no transfer and never fails. Its controls are named by style_page_ids.h.
class CStylePage : public PropertyPage {
    Q_OBJECT
  public:
    // Asks for the title of a new theme; std::nullopt when the user cancels. The default shows
    // CAddThemeDialog.
    using TitlePrompt = std::function<std::optional<std::string>(const ThemeList& themes)>;
    // Asks for the new title of theme `index`; std::nullopt when the user cancels. The default
    // shows CAddThemeDialog for a rename.
    using RenamePrompt =
        std::function<std::optional<std::string>(const ThemeList& themes, std::size_t index)>;
    // Asks for a colour starting from `initial` (COLORREF); std::nullopt when the user cancels.
    using ColorChooser = std::function<std::optional<int>(QWidget* owner, int initial)>;

    CStylePage(AlbumSettings& settings, const MaterialFolders& folders, ShellOpener& shell,
               UserDialogs& dialogs, QWidget* parent = nullptr);
    ~CStylePage() override;

    // The first call fills the material and theme lists and shows the settings; later calls keep
    // the controls as they are (the settings only change through this page).
    void OnSetActive() override;
    // Nothing to copy back: the page always lets the user leave.
    bool OnKillActive() override;

    // Fills the lists, chooses where the user's themes are kept, loads the themes, marks the saved
    // theme index as unused (-1) and shows the settings; runs once, at the first showing.
    void InitialiseOnce();
    // Shows the settings' style values in the colour buttons and lists and repaints the preview.
    // The theme selection is left as it is.
    void RefreshStyleControls();
    // Paints the preview (background fill and the three samples) in page coordinates.
    void PaintStylePreview(QPainter& painter) const;
    // The font of a preview sample: the dialog face at FontSizeToPixels(size) pixels.
    static QFont SampleFont(int html_size, bool bold);
    // The preview box's inner rectangle in page coordinates.
    QRect PreviewRect() const;

    // The themes whose titles the list shows, in row order.
    const ThemeList& Themes() const { return themes_; }

    // True when theme `index` is one of the user's own, which its context menu offers to rename
    // and delete; the shipped themes offer neither.
    bool IsOwnTheme(std::size_t index) const;

    // Replaces the add-theme dialog (tests, scripted use).
    void SetTitlePrompt(TitlePrompt prompt) { title_prompt_ = std::move(prompt); }
    // Replaces the rename dialog.
    void SetRenamePrompt(RenamePrompt prompt) { rename_prompt_ = std::move(prompt); }
    // Replaces the colour chooser of the four colour buttons.
    void SetColorChooser(ColorChooser chooser);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    void BuildControls();
    // Fills a material list: "(なし)" first, then the folder's visible files in case-insensitive
    // order, each row holding its exact file name.
    static void FillMaterialList(QComboBox* list, const std::string& folder);
    // Selects the row whose name equals `name` (letter case ignored), else "(なし)".
    static void SelectMaterial(QComboBox* list, const std::string& name);
    void OnColorChanged(const CColorButton* button, int colour);
    void OnSizeChosen(QComboBox* list, int& field);
    void OnMaterialChosen(QComboBox* list, std::string& field);
    void OnOpenMaterial(const std::string& folder, const std::string& name);
    void OnThemeSelected();
    void OnAddTheme();
    // The theme list's context menu, for the user's own themes only.
    void ShowThemeMenu(const QPoint& pos);
    void OnRenameTheme(std::size_t index);
    void OnDeleteTheme(std::size_t index);
    void ReportUnchangedFile(const std::string& title, UserThemeChange change);
    // Says that the user's theme file has no room for one more theme that would still be read.
    void ReportFullUserFile();
    void ClearThemeSelection();
    void InvalidatePreview();

    AlbumSettings& settings_;
    const MaterialFolders& folders_;
    ShellOpener& shell_;
    UserDialogs& dialogs_;

    // Where each theme of the list comes from, in list order.
    enum class ThemeOrigin {
        Shipped,
        Stored,   // a line of the user's theme file
        Unsaved,  // added in this run, but the user's file could not take it
    };

    ThemeList themes_;
    std::vector<ThemeOrigin> origins_;
    std::string user_theme_folder_;  // where "userat.ctm" is kept, chosen at the first showing
    bool initialised_ = false;
    bool refreshing_ = false;  // true while the page itself sets the controls' selections
    TitlePrompt title_prompt_;
    RenamePrompt rename_prompt_;

    QListWidget* theme_list_ = nullptr;
    QPushButton* add_theme_ = nullptr;
    QFrame* preview_ = nullptr;
    QFrame* title_frame_ = nullptr;        // hidden
    QFrame* description_frame_ = nullptr;  // hidden
    QFrame* comment_frame_ = nullptr;      // hidden
    CColorButton* title_colour_ = nullptr;
    CColorButton* comment_colour_ = nullptr;
    CColorButton* thumb_colour_ = nullptr;
    CColorButton* bg_colour_ = nullptr;
    QComboBox* title_size_ = nullptr;
    QComboBox* comment_size_ = nullptr;
    QComboBox* thumb_size_ = nullptr;
    QComboBox* wallpaper_ = nullptr;
    QComboBox* rule_ = nullptr;
    QComboBox* music_ = nullptr;
    QPushButton* listen_ = nullptr;
    QPushButton* view_rule_ = nullptr;
    QPushButton* view_wallpaper_ = nullptr;
};
