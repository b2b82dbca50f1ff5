#pragma once

#include <QString>
#include <QWidget>

// One page of a tabbed wizard sheet. The sheet calls OnSetActive when the page becomes the current
// page (its first showing included) and OnKillActive when the user leaves it; a false result keeps
// the user on the page.
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

  private:
    QString title_;
};
