#pragma once

#include "views/detail/StatusCardModel.h"

#include <QHash>
#include <QWidget>

// Where one application stands: a symbol, a title and a message on a tinted rounded card. It
// draws its texts itself, in the appearance's colours, and wraps the message once per width.
class StatusCard : public QWidget {
    Q_OBJECT
public:
    explicit StatusCard(QWidget* parent = nullptr);

    void setCard(const StatusCardModel::Card& card);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int messageHeight(int width) const;

    StatusCardModel::Card card_;
    QSize title_;
    mutable QSize message_; // on one line
    mutable QHash<int, int> messageHeights_;
};
