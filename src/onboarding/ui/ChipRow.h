#pragma once

#include <QStringList>
#include <QWidget>

// An endless row of capsule chips drifting sideways, one copy of the chips per `speed` seconds,
// faded out at both sides; still under reduced motion.
class ChipRow : public QWidget {
    Q_OBJECT
public:
    ChipRow(QStringList items, double speed, bool reverse, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList items_;
    double speed_;
    bool reverse_;
};
