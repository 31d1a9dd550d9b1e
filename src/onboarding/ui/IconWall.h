#pragma once

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
    QList<QPixmap> icons_;
    // Each row drawn once, three copies of its icons with their shadows side by side: a frame
    // only places the four strips.
    QList<QPixmap> strips_;
    QList<double> spans_;
    QImage layer_;
};
