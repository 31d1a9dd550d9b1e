#pragma once

#include <QImage>
#include <QPixmap>
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
    // The chips drawn once, three copies side by side: a frame only places the strip.
    QPixmap strip() const;
    QStringList items_;
    mutable QPixmap strip_;
    QImage layer_;
    double speed_;
    bool reverse_;
};
