#include "widgets/edge_anchors.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace {

int Share(int extra, double share) {
    return static_cast<int>(std::lround(extra * share));
}

}  // namespace

EdgeAnchors::EdgeAnchors(QWidget* container, QSize opening)
    : QObject(container), container_(container), opening_(opening) {
    container_->installEventFilter(this);
}

void EdgeAnchors::Follow(QWidget* control, EdgeFollow how) {
    anchors_.push_back({control, control->geometry(), how});
    Apply();
}

void EdgeAnchors::Apply() {
    const int extra_x = std::max(0, container_->width() - opening_.width());
    const int extra_y = std::max(0, container_->height() - opening_.height());
    for (const Anchor& anchor : anchors_) {
        // Edges are moved rather than sizes, so that neighbours sharing an edge and its share
        // round alike and keep touching.
        const QRect& at = anchor.placed;
        const int left = at.x() + Share(extra_x, anchor.how.left);
        const int top = at.y() + Share(extra_y, anchor.how.top);
        const int right = at.x() + at.width() + Share(extra_x, anchor.how.right);
        const int bottom = at.y() + at.height() + Share(extra_y, anchor.how.bottom);
        anchor.control->setGeometry(left, top, right - left, bottom - top);
    }
}

bool EdgeAnchors::eventFilter(QObject* watched, QEvent* event) {
    if (watched == container_ && event->type() == QEvent::Resize) {
        const QWidget* window = container_->window();
        if (window != container_ && window->size() == window->minimumSize())
            opening_ = container_->size();
        Apply();
    }
    return QObject::eventFilter(watched, event);
}
