#include "album/shell/page_controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>

#include "album/shell/focus_edit.h"
#include "album/shell/up_down_control.h"
#include "widgets/text_fit.h"

namespace {

// Every page of the sheet, in dialog units.
constexpr int kPageWidth = 250;
constexpr int kPageHeight = 229;

}  // namespace

PageControls::PageControls(QWidget* page)
    : page_(page),
      units_(DialogFont()),
      anchors_(new EdgeAnchors(page, units_.ToPixels(0, 0, kPageWidth, kPageHeight).size())) {
    page_->setFont(DialogFont());
}

QLabel* PageControls::Label(const QString& text, int x, int y, int w, int h, bool right,
                            std::optional<ControlId> id) {
    auto* label = new QLabel(text, page_);
    label->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    if (id) NameControl(label, *id);
    units_.Place(label, x, y, w, h);
    FitText(label);
    return label;
}

QGroupBox* PageControls::Group(const QString& text, int x, int y, int w, int h) {
    auto* group = new QGroupBox(text, page_);
    group->setFocusPolicy(Qt::NoFocus);
    group->setAttribute(Qt::WA_TransparentForMouseEvents);
    units_.Place(group, x, y, w, h);
    return group;
}

FocusEdit* PageControls::Edit(ControlId id, int x, int y, int w, int h) {
    auto* edit = new FocusEdit(page_);
    NameControl(edit, id);
    units_.Place(edit, x, y, w, h);
    return edit;
}

FocusEdit* PageControls::NumberEdit(ControlId id, int x, int y, int w, int h) {
    FocusEdit* edit = Edit(id, x, y, w, h);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edit->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    return edit;
}

UpDownControl* PageControls::Spin(ControlId id, QLineEdit* buddy, int low, int high, int x, int y,
                                  int w, int h) {
    auto* spin = new UpDownControl(page_);
    NameControl(spin, id);
    spin->SetBuddy(buddy);
    spin->SetRange(low, high);
    units_.Place(spin, x, y, w, h);
    return spin;
}

QCheckBox* PageControls::Check(ControlId id, const QString& text, int x, int y, int w, int h) {
    auto* box = new QCheckBox(text, page_);
    NameControl(box, id);
    units_.Place(box, x, y, w, h);
    FitText(box);
    return box;
}

QRadioButton* PageControls::Radio(ControlId id, const QString& text, int x, int y, int w, int h) {
    auto* radio = new QRadioButton(text, page_);
    NameControl(radio, id);
    units_.Place(radio, x, y, w, h);
    FitText(radio);
    return radio;
}

QPushButton* PageControls::Button(ControlId id, const QString& text, int x, int y, int w, int h) {
    auto* button = new QPushButton(text, page_);
    NameControl(button, id);
    button->setAutoDefault(false);
    units_.Place(button, x, y, w, h);
    FitText(button);
    return button;
}

void PageControls::LowerGroups() {
    for (QGroupBox* group : page_->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly))
        group->lower();
}
