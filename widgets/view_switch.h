#pragma once

#include "widgets/control_id.h"

class CPictureList;
class QToolButton;
class QWidget;

// The switch between the picture list's lines and its grid of thumbnails: a toggle button, pressed
// while the grid shows, and Ctrl+T anywhere in `parent` (the page or dialog that holds the list)
// while it is shown. Button and list stay in step whichever of them changes the view. The button
// is a child of `parent`; its owner places it beside the list.
QToolButton* MakeViewSwitch(CPictureList* list, QWidget* parent, ControlId id);
