#pragma once

class QWidget;

// Lets Enter press the focused button of a window, as Space does: every push button, tool button
// and picture button inside `window` (check boxes and radio buttons keep Enter for the window)
// presses when Enter or the keypad's Enter is pressed while it has the focus. Call once the
// window's controls exist.
void EnterPressesButtons(QWidget* window);
