#pragma once

#include "views/cards/RowAccessoryModel.h"

#include <QPointer>
#include <QWidget>

// The right-hand end of a row: a tag, a progress bar, a done mark, a pill button or the
// checking ring, as the row's model says. A change of what is shown is one animated swap; a
// new download fraction only moves the bar.
class RowAccessory : public QWidget {
    Q_OBJECT
public:
    explicit RowAccessory(QWidget* parent = nullptr);

    void setRow(const RowFacts& row);
    const QString& stateKey() const { return key_; }
    // What is shown now (nothing for an empty accessory).
    QWidget* content() const { return current_; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void triggered(const RowAction& action);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* make(const RowAccessoryModel::Content& content);
    void place(QWidget* widget) const;

    QString key_;
    RowAccessoryModel::Content content_;
    bool first_ = true;
    QPointer<QWidget> current_;
    QPointer<QWidget> leaving_;
};
