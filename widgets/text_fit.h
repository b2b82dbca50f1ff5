#pragma once

class QWidget;

// The layouts were drawn in dialog units for a narrower Japanese font than most systems have (on
// Debian, Noto Sans CJK), so a text can need more room than its control was given. These keep every
// text whole without moving a control: a control whose text would be cut is set in a smaller font,
// half a point at a time, down to 7 points.

// Fits the text of one control at its present size: a label, a check box, a radio button, a push
// button, or a drop-down list (every line of it, as any line may become the one shown). Other
// controls are left as they are.
void FitText(QWidget* control);
// FitText for the window itself and every control inside it.
void FitTexts(QWidget* window);
