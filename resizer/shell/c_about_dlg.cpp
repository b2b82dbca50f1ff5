#include "resizer/shell/c_about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "resizer/shell/about_dlg_ids.h"
#include "resizer/shell/program_icon.h"
#include "widgets/dialog_units.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    namespace ids = about_dlg_ids;
    NameControl(this, ids::kDialog);
    setWindowTitle(QStringLiteral("Scalvoのﾊﾞｰｼﾞｮﾝ情報"));
    setFont(DialogFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const DialogUnits du(font());

    auto* icon = new QLabel(this);
    NameControl(icon, ids::kIconLabel);
    const int icon_px = du.Y(20);
    icon->setPixmap(ScalvoIcon().pixmap(icon_px, icon_px));
    du.Place(icon, 11, 14, 20, 20);

    // Three blanks between name and version set the version apart from the name in the
    // proportional dialog font.
    auto* version = new QLabel(QStringLiteral("Scalvo   Version 1.0"), this);
    NameControl(version, ids::kVersionLabel);
    du.Place(version, 40, 10, 150, 8);

    auto* credit = new QLabel(QStringLiteral("制作：Pictavo"), this);
    NameControl(credit, ids::kCreditLabel);
    du.Place(credit, 40, 22, 170, 8);

    auto* address = new QLabel(QStringLiteral("https://pictavo.example.org/"), this);
    NameControl(address, ids::kAddressLabel);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    du.Place(address, 40, 34, 170, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    NameControl(ok, ids::kOkButton);
    ok->setDefault(true);
    du.Place(ok, 216, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(du.ToPixels(0, 0, 273, 55).size());
    setWindowIcon(ScalvoIcon());
}
