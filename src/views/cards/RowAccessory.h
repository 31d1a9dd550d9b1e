#pragma once

#include "views/cards/RowAccessoryModel.h"

#include <QPointer>
#include <QWidget>

#include <optional>

// The right-hand end of a row: a tag, a progress bar, a done mark, a pill button or the
// checking ring, as the row's model says. A tag is drawn here, not made a widget of its own:
// most rows show one, and the row draws it in its own pass. A change of what is shown is one
// animated swap; a new download fraction or the next phase of the install only changes the bar.
// Rows queued together turn "Queued" one after another.
class RowAccessory : public QWidget {
    Q_OBJECT
public:
    explicit RowAccessory(QWidget* parent = nullptr);

    void setRow(const RowFacts& row);
    const QString& stateKey() const { return key_; }
    // The widget shown now: none for an empty accessory or a tag.
    QWidget* content() const { return current_; }
    // The tip of what is shown now.
    QString help() const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void triggered(const RowAction& action);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct DrawnTag {
        RowAccessoryModel::Content content;
        double opacity = 1;
        QSize extent;
    };

    QWidget* make(const RowAccessoryModel::Content& content);
    void place(QWidget* widget) const;
    QRect tagRect(const DrawnTag& tag) const;
    void tellSize();
    void crossFade(int swap);

    QString key_;
    RowAccessoryModel::Content content_;
    bool first_ = true;
    QPointer<QWidget> current_;
    QPointer<QWidget> leaving_;
    std::optional<DrawnTag> tag_;
    std::optional<DrawnTag> leavingTag_;
    QSize told_;    // the size the row's layout last heard of
    int swaps_ = 0; // a fade of a drawn tag belongs to the swap that started it
};
