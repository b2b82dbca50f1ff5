#pragma once

#include "widgets/property_page.h"

struct AlbumSettings;
class QCheckBox;
class QLineEdit;
class QRadioButton;
class UpDownControl;
class UserDialogs;

// The "HTML" page: the album's title and description and how the index pages lay out and present
// the thumbnails. It edits the HTML group of the settings; leaving it checks the column and row
// counts (their ranges are the settings schema's) and keeps the user on the page while either is
// wrong.
class CHtmlPage : public PropertyPage {
    Q_OBJECT
  public:
    // `settings` and `dialogs` belong to the sheet and outlive the page.
    CHtmlPage(AlbumSettings& settings, UserDialogs& dialogs, QWidget* parent = nullptr);

    // Shows the fields in the controls (the first time also sets the spin ranges).
    void OnSetActive() override;
    // Copies the controls into the fields in page order, stopping at the first failed check.
    bool OnKillActive() override;
    // Copies every control as the window closes; a column or row count out of range keeps its
    // earlier value, without a message.
    void OnClosing() override;

    // Enables the rows box and its arrows while "split over several pages" is ticked (the control,
    // not the field); the label beside them stays enabled.
    void UpdateRowsControls();
    // Greys the scrolling text and the size of a clicked picture while the modern pages are chosen
    // (the control, not the field): those pages never scroll and open a picture in the same
    // window. The boxes keep their values for the classic pages.
    void UpdateStyleControls();

  private:
    void ShowFields();
    void CopyTexts();
    void CopySwitches();

    AlbumSettings& settings_;
    UserDialogs& dialogs_;
    bool initialised_ = false;

    QLineEdit* title_;
    QLineEdit* comment_;
    QCheckBox* frame_;
    QCheckBox* fname_;
    QCheckBox* fsize_;  // never shown
    QLineEdit* cols_;
    UpDownControl* cols_spin_;
    QCheckBox* split_;
    QLineEdit* rows_;
    UpDownControl* rows_spin_;
    QRadioButton* own_size_;
    QRadioButton* fit_browser_;
    QCheckBox* marquee_;
    QCheckBox* slide_;
    QCheckBox* date_order_;
    QRadioButton* classic_;
    QRadioButton* modern_;
};
