#pragma once

#include <QAbstractButton>
#include <QEvent>
#include <functional>
#include <optional>

#include "widgets/control_id.h"

// A small push button whose whole face shows one colour. A click opens the colour chooser preset to
// that colour; when the user confirms (even the same colour), the button takes the colour and posts
// a ChangedEvent to its parent, so the parent handles it after the chooser has closed. The colour
// is a COLORREF value (red in bits 0-7, green 8-15, blue 16-23).
class CColorButton : public QAbstractButton {
    Q_OBJECT
  public:
    // Posted to the parent after a confirmed choice: which button and the colour.
    class ChangedEvent : public QEvent {
      public:
        ChangedEvent(const CColorButton* button, int colour)
            : QEvent(EventType()), button_(button), colour_(colour) {}
        // The button that changed; only compared, as the parent owns it.
        const CColorButton* Button() const { return button_; }
        int Colour() const { return colour_; }
        // The event type, registered once per process.
        static QEvent::Type EventType();

      private:
        const CColorButton* button_;
        int colour_;
    };

    // Asks for a colour starting from `initial`; std::nullopt when the user cancels.
    using Chooser = std::function<std::optional<int>(QWidget* owner, int initial)>;

    // `id` names the button in its window; the colour starts as the button face.
    explicit CColorButton(ControlId id, QWidget* parent = nullptr);

    // Stores the colour and repaints; notifies nobody.
    void SetColor(int colour);
    int Color() const { return colour_; }

    // Replaces the colour chooser (the default is ChooseColorWithDialog).
    void SetChooser(Chooser chooser) { chooser_ = std::move(chooser); }

    // The process's colour chooser: a modal QColorDialog owned by `owner`'s window, preset to
    // `initial`, with the 16 custom colours that every colour button of the process shares (white
    // at start).
    static std::optional<int> ChooseColorWithDialog(QWidget* owner, int initial);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnClicked();

    int colour_;
    Chooser chooser_;
};

// Conversions between COLORREF values and QColor.
QColor ColorRefToQColor(int colour);
int QColorToColorRef(const QColor& colour);
