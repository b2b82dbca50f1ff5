#pragma once

#include <QString>
#include <optional>

#include "widgets/control_id.h"
#include "widgets/dialog_units.h"
#include "widgets/edge_anchors.h"

class FocusEdit;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class UpDownControl;

// Builds the controls of a page at their dialog-unit positions. Every control is a child of the
// page and is created in the page's template order, which Qt also takes as the tab order; a control
// is named by its row of the page's table (NameControl) so that tests and tools can find it. A
// text that would be cut at its control's size is set a little smaller (FitText).
//
// Every page is 250 x 229 dialog units at the sheet's opening size; a control given to Follow keeps
// its place relative to the edges it follows when the sheet grows, the others stay where they are.
class PageControls {
  public:
    explicit PageControls(QWidget* page);

    const DialogUnits& Units() const { return units_; }
    // Registers a control of the page with the page's edge anchors.
    void Follow(QWidget* control, EdgeFollow how) { anchors_->Follow(control, how); }

    // A static text; `right` aligns it to the right of its box.
    QLabel* Label(const QString& text, int x, int y, int w, int h, bool right = false,
                  std::optional<ControlId> id = std::nullopt);
    // A frame with a caption. It neither takes the focus nor catches clicks, so the controls that
    // lie inside it (siblings, as in the templates) stay usable whichever was created first.
    QGroupBox* Group(const QString& text, int x, int y, int w, int h);
    // A one-line edit that scrolls sideways and reports the loss of its focus.
    FocusEdit* Edit(ControlId id, int x, int y, int w, int h);
    // A one-line edit that takes digits only, right-aligned (texts set by the program may still
    // hold anything, as a stored value may).
    FocusEdit* NumberEdit(ControlId id, int x, int y, int w, int h);
    // Arrow buttons attached to `buddy` with the given range.
    UpDownControl* Spin(ControlId id, QLineEdit* buddy, int low, int high, int x, int y, int w,
                        int h);
    QCheckBox* Check(ControlId id, const QString& text, int x, int y, int w, int h);
    QRadioButton* Radio(ControlId id, const QString& text, int x, int y, int w, int h);
    QPushButton* Button(ControlId id, const QString& text, int x, int y, int w, int h);

    // Sends every group box behind the other controls; call once all controls exist.
    void LowerGroups();

  private:
    QWidget* page_;
    DialogUnits units_;
    EdgeAnchors* anchors_;
};
