#include "widgets/c_folder_dlg.h"

#include <QLineEdit>
#include <QPushButton>

#include "widgets/c_folder_tree.h"
#include "widgets/dialog_units.h"
#include "widgets/edge_anchors.h"
#include "widgets/folder_dlg_ids.h"
#include "widgets/path_text.h"
#include "widgets/text_fit.h"
#include "widgets/window_placement.h"

CFolderDlg::CFolderDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
    namespace ids = folder_dlg_ids;
    setWindowTitle(QStringLiteral("ディレクトリ"));
    NameControl(this, ids::kDialog);
    setModal(true);
    const QFont font = DialogFont();
    setFont(font);
    const DialogUnits units(font);
    // It opens at its layout's size, which is also its smallest; a larger window goes to the tree
    // and the path box, the buttons keeping to the right edge.
    const QSize opening = units.ToPixels(0, 0, 230, 153).size();
    setMinimumSize(opening);
    resize(opening);
    auto* anchors = new EdgeAnchors(this, opening);

    path_box_ = new QLineEdit(this);
    NameControl(path_box_, ids::kPathEdit);
    units.Place(path_box_, 7, 7, 157, 14);

    tree_ = new CFolderTree(this);
    NameControl(tree_, ids::kFolderTree);
    units.Place(tree_, 7, 27, 157, 119);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    NameControl(ok, ids::kOkButton);
    ok->setDefault(true);
    ok->setAutoDefault(true);
    units.Place(ok, 173, 7, 50, 14);

    auto* cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"), this);
    NameControl(cancel, ids::kCancelButton);
    cancel->setAutoDefault(false);
    units.Place(cancel, 173, 24, 50, 14);

    anchors->Follow(path_box_, kGrowWide);
    anchors->Follow(tree_, kGrowBoth);
    anchors->Follow(ok, kFollowRight);
    anchors->Follow(cancel, kFollowRight);
    FitTexts(this);
    KeepWindowPlacement(this, QStringLiteral("folder_chooser"));

    setTabOrder(path_box_, tree_);
    setTabOrder(tree_, ok);
    setTabOrder(ok, cancel);

    connect(ok, &QPushButton::clicked, this, &CFolderDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CFolderDlg::reject);
    connect(tree_, &CFolderTree::FolderSelected, this, &CFolderDlg::OnFolderSelected);
}

void CFolderDlg::SetPath(const std::string& path) {
    path_ = path;
    if (started_) SetPathText(path_box_, path_);
}

void CFolderDlg::accept() {
    // The typed text is taken as it stands; creating or checking it is the caller's business. A
    // folder chosen in the tree and left alone keeps the bytes of its name.
    path_ = PathText(path_box_);
    QDialog::accept();
}

void CFolderDlg::showEvent(QShowEvent* event) {
    if (!started_) Start();
    QDialog::showEvent(event);
}

void CFolderDlg::Start() {
    started_ = true;
    SetPathText(path_box_, path_);
    tree_->Init();
    tree_->SelectPath(path_);
    path_box_->setFocus();
}

void CFolderDlg::OnFolderSelected(const std::string& path) {
    path_ = path;
    SetPathText(path_box_, path_);
}
