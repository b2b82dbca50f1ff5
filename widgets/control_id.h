#pragma once

#include <QString>
#include <string_view>

class QWidget;

// One row of a window's control table. Every window lists the controls it names in a header beside
// its class (`out_page_ids.h` beside `COutPage`), one constant per control; the window names each
// control with NameControl, and tests and tools find it through the same constant, so a name is
// spelled once.
//
// An object name says what the control is, in lowerCamelCase: the window's prefix, what the
// control holds, then its kind ("outSourceCheck", "resizeQualityEdit", "progressStopButton").
// Names are unique within their window, the pages of the sheet counting as one window, so a
// search from the window finds exactly one control.
//
// The accessible name is what a screen reader announces. A control with a text of its own (a
// button, a check box) is announced by that text, and a one-line field by the label made its
// buddy; the column is filled where neither speaks for the control: a field under a frame's
// caption or beside a radio button, every list and tree (the toolkit reads no buddy for them), a
// preview, an icon button, a colour button.
struct ControlId {
    const char* object_name;                // ASCII
    const char* accessible_name = nullptr;  // UTF-8; none: the control's text or its label's

    QString ObjectName() const { return QString::fromLatin1(object_name); }
    bool operator==(ControlId other) const {
        return std::string_view(object_name) == std::string_view(other.object_name);
    }
};

// Gives `control` the names of its row. Every named control gets them here, so a name that every
// control should carry is one more field of the row and one more line in this function.
void NameControl(QWidget* control, ControlId id);
