#pragma once

#include "views/detail/StatusCardModel.h"

#include <QWidget>

class PlainLabel;
class SymbolView;

// Where one application stands: a symbol, a title and a message on a tinted rounded card.
class StatusCard : public QWidget {
    Q_OBJECT
public:
    explicit StatusCard(QWidget* parent = nullptr);

    void setCard(const StatusCardModel::Card& card);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    StatusCardModel::Card card_;
    SymbolView* symbol_;
    PlainLabel* title_;
    PlainLabel* message_;
};
