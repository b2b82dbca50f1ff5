#pragma once

#include <QString>
#include <QWidget>

// One page of a tabbed wizard sheet. The sheet calls OnSetActive when the page becomes the current
// page (its first showing included), OnKillActive when the user leaves it (a false result keeps
// the user on the page), and OnClosing when the window closes while the page is current.
class PropertyPage : public QWidget {
    Q_OBJECT
  public:
    explicit PropertyPage(const QString& title, QWidget* parent = nullptr)
        : QWidget(parent), title_(title) {}

    // The tab's text.
    QString Title() const { return title_; }
    // Shows the page's fields in its controls.
    virtual void OnSetActive() {}
    // Copies the controls back into the fields with the checks; false keeps the page current.
    virtual bool OnKillActive() { return true; }
    // Copies the controls back as the window closes: no message, and a value its check refuses
    // keeps the field's earlier value, since nothing may hold the window open.
    virtual void OnClosing() {}

  private:
    QString title_;
};
