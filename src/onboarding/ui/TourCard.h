#pragma once

#include "onboarding/ui/MenuBarDemo.h"
#include "onboarding/ui/NotchDemo.h"

#include <QPointer>
#include <QWidget>

class Observer;
class PillButton;
class Prefs;
class QAbstractButton;
class QPushButton;
class Store;

// The tour's step card: the counter and "Skip Tour", the notch or menu-bar illustration, the
// step's title and explanation, the progress dots, "Back" and "Next" (or "Done"). Its buttons
// never take the keyboard: the overlay keeps it. Its height follows its content.
class TourCard : public QWidget {
    Q_OBJECT
public:
    TourCard(Store& store, Prefs& prefs, QWidget* parent = nullptr);

    // Shows step `n`; a new step's text fades in moving down into place.
    void setStep(int n);
    int step() const { return step_; }

    QAbstractButton* skipButton() const;
    QAbstractButton* backButton() const;
    NotchDemo* notchDemo() const { return notch_; }
    MenuBarDemo* menuBarDemo() const { return menuBar_; }

Q_SIGNALS:
    void skip();
    void back();
    void next();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void place();
    QRectF textBox() const;
    // The heights of the title and the explanation wrapped to `width`: laid out once per text
    // and width, not at every repaint (the ring's pulse repaints the card where its glow falls).
    struct Wrapped {
        QString title, body;
        double width = -1;
        double titleHeight = 0, bodyHeight = 0;
    };
    const Wrapped& wrapped(double width) const;

    Store& store_;
    Prefs& prefs_;
    int step_ = -1;
    Observer* follower_ = nullptr;
    QPushButton* skip_;
    PillButton* back_;
    QAbstractButton* next_;
    QPointer<NotchDemo> notch_;
    QPointer<MenuBarDemo> menuBar_;
    QString title_, body_;
    double textIn_ = 1; // the text block's entrance, 0 to 1
    mutable Wrapped wrapped_;
};
