#pragma once

#include <QWidget>

class QSvgRenderer;

// The Google logo of the sign-in buttons, drawn from the bundle's "google-g" image at whatever
// frame it is given, keeping its aspect ratio. Without the image it draws nothing.
class GoogleMark : public QWidget {
    Q_OBJECT
public:
    explicit GoogleMark(QWidget* parent = nullptr);

    // Read once, on first use; nullptr when the resource is missing or unreadable.
    static QSvgRenderer* image();
    // Reads `file` in place of the bundle's resource, for programs that run outside the bundle
    // (pictures, tests); only before the first use.
    static void readFrom(const QString& file);
    // Paints the logo into `rect`, centred; nothing without the image.
    static void paint(QPainter& painter, const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
};
