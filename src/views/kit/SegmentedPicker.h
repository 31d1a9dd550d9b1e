#pragma once

#include <QList>
#include <QStringList>
#include <QWidget>

class QAbstractButton;

// A segmented picker: its choices side by side in one rounded track, the chosen one raised.
// Each segment is an exclusive checkable button, so a screen reader reads its own title.
class SegmentedPicker : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedPicker(const QStringList& titles, QWidget* parent = nullptr);

    int current() const { return current_; }
    // Shows `index` as chosen without a signal (-1: none).
    void setCurrent(int index);

Q_SIGNALS:
    // A person chose another segment; choosing the one already chosen says nothing.
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QAbstractButton*> segments_;
    int current_ = -1;
};
