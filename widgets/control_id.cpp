#include "widgets/control_id.h"

#include <QWidget>

void NameControl(QWidget* control, ControlId id) {
    control->setObjectName(id.ObjectName());
}
