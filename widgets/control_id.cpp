#include "widgets/control_id.h"

#include <QWidget>

void NameControl(QWidget* control, ControlId id) {
    control->setObjectName(id.ObjectName());
    if (id.accessible_name != nullptr)
        control->setAccessibleName(QString::fromUtf8(id.accessible_name));
}
