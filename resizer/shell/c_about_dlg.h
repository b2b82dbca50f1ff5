#pragma once

#include <QDialog>

// Scalvo's about box: the program icon, the name and version, who made it and where to find them,
// and an OK button that closes it.
class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
