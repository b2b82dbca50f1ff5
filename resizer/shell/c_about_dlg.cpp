#include "resizer/shell/c_about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "resizer/shell/program_icon.h"
#include "widgets/dialog_units.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Scalvoのﾊﾞｰｼﾞｮﾝ情報"));
    setFont(DialogFont());
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const DialogUnits du(font());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const int icon_px = du.Y(20);
    icon->setPixmap(ScalvoIcon().pixmap(icon_px, icon_px));
    du.Place(icon, 11, 14, 20, 20);

    // Three blanks between name and version set the version apart from the name in the
    // proportional dialog font.
    auto* version = new QLabel(QStringLiteral("Scalvo   Version 1.0"), this);
    version->setObjectName(QStringLiteral("version"));
    du.Place(version, 40, 10, 150, 8);

    auto* credit = new QLabel(QStringLiteral("制作：Pictavo"), this);
    credit->setObjectName(QStringLiteral("credit"));
    du.Place(credit, 40, 22, 170, 8);

    auto* address = new QLabel(QStringLiteral("https://pictavo.example.org/"), this);
    address->setObjectName(QStringLiteral("address"));
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    du.Place(address, 40, 34, 170, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setDefault(true);
    du.Place(ok, 216, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(du.ToPixels(0, 0, 273, 55).size());
    setWindowIcon(ScalvoIcon());
}
