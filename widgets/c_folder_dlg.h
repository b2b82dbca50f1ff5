#pragma once

#include <QDialog>
#include <string>

class CFolderTree;
class QLineEdit;

// The modal folder chooser behind the "参照..." buttons: a path box above a folder tree. The box
// shows the caller's path at start and then the path of every node selected (SelectPath at start
// selects one level after another); the user may also type into it. OK returns the box's text
// unchanged, without any check; Cancel, Esc and the close box return nothing.
//
// Use: CFolderDlg dlg; dlg.SetPath(folder); if (dlg.exec() == QDialog::Accepted) folder =
// dlg.GetPath();
class CFolderDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CFolderDlg(QWidget* parent = nullptr);

    // The path the dialog opens on; call before showing it.
    void SetPath(const std::string& path);
    // The dialog's value: after OK, the text of the path box; otherwise the last path set or
    // selected.
    const std::string& GetPath() const { return path_; }

    // The tree (for owners that need to change its roots before showing the dialog).
    CFolderTree* Tree() const { return tree_; }

    // Reads the path box into the value and closes with OK.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Start();
    void OnFolderSelected(const std::string& path);

    std::string path_;
    QLineEdit* path_box_;
    CFolderTree* tree_;
    bool started_ = false;
};
