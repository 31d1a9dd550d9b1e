#pragma once

#include "model/Filter.h"

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QWidget>

class QAbstractButton;
class QVariantAnimation;
class Store;

// The segmented row of the five filter chips with their live counts. The selected chip sits on
// a raised capsule that slides from chip to chip.
class FilterChips : public QWidget {
    Q_OBJECT
public:
    explicit FilterChips(Store& store, QWidget* parent = nullptr);

    QAbstractButton* chip(Filter filter) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void slide();
    QRectF selectedRect() const;

    Store& store_;
    QList<QAbstractButton*> chips_;
    Filter shown_;
    QRectF capsule_; // where the selection capsule is drawn now
    QRectF from_;
    double progress_ = 1;
    // Deleted by itself when it stops, so never held raw.
    QPointer<QVariantAnimation> sliding_;
};
