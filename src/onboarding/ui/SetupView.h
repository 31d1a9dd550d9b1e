#pragma once

#include "store/SetupStep.h"

#include <QWidget>

#include <functional>

class QBoxLayout;
class QLabel;
class QPushButton;
class ReplacingSymbol;
class SetupModel;

// The setup window's content: the header, the two-row checklist and the card of the step.
class SetupView : public QWidget {
    Q_OBJECT
public:
    // `close` closes the window; `openSettings` opens the settings window, when there is one.
    SetupView(SetupModel& model, std::function<void()> close, std::function<void()> openSettings,
              QWidget* parent = nullptr);

    QPushButton* primaryButton() const { return primary_; }
    QPushButton* secondaryButton() const { return secondary_; }
    // The checklist row's mark for `row`, its change a replacement.
    ReplacingSymbol* mark(int row) const { return rows_[row].first; }

private:
    void refresh();
    // The texts' and marks' colours, from the appearance showing.
    void recolour();
    // A new step's card comes in from the trailing edge, fading in.
    void bringInCard();
    void pressed(bool primary);

    SetupModel& m_;
    std::function<void()> close_;
    std::function<void()> openSettings_;
    QLabel* title_;
    QLabel* subtitle_;
    QList<std::pair<ReplacingSymbol*, QLabel*>> rows_; // mark, title
    QWidget* card_;
    QLabel* cardTitle_;
    QLabel* body_;
    QLabel* error_;
    QPushButton* primary_;
    QPushButton* secondary_;
    QLabel* footer_;
    SetupStep shown_;
};
