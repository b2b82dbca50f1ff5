#pragma once

// Finding a control the way tools do: by the object name its window's table gives it.

#include <QObject>
#include <QtGlobal>

#include "widgets/control_id.h"

// The control named `id` below `root` (a window, or one page of the sheet). A missing control ends
// the test program at once, naming it, rather than crashing on a null pointer later.
template <typename T = QWidget>
T* Control(const QObject* root, ControlId id) {
    T* control = root->findChild<T*>(id.ObjectName());
    if (!control) qFatal("control %s not found", id.object_name);
    return control;
}
