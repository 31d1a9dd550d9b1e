#pragma once

#include <QHash>
#include <QImage>
#include <QList>
#include <QPixmap>
#include <QWidget>

// Four rows of app icons drifting sideways under a -10° tilt, fading out at top and bottom;
// still under reduced motion.
class IconWall : public QWidget {
    Q_OBJECT
public:
    explicit IconWall(QWidget* parent = nullptr);

    void setIcons(QList<QPixmap> icons);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // One row: its tiles, three copies of its icons side by side, each placed at a whole device
    // pixel from the row's origin, so that the row moves as one.
    struct Row {
        double span = 0;  // one copy's length along the row
        QList<int> tiles; // into turned_ of the row's size
        QList<QPoint> offsets;
        int size = 0;
    };

    QList<QPixmap> icons_;
    // Each icon with its shadow drawn once per size, already turned by the tilt: a frame only
    // places tiles, with no turning or filtering.
    QHash<int, QList<QImage>> turned_;
    QList<Row> rows_;
    double ratio_ = 1;
    QImage layer_;
};
