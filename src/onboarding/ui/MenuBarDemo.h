#pragma once

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <QWidget>

class QVariantAnimation;

// The menu bar with the application's badged icon, next to Control Center, the icon ringed by
// a glow that breathes (standing still under reduced motion). Drawn dark at 388 × 46.
class MenuBarDemo : public QWidget {
    Q_OBJECT
public:
    MenuBarDemo(int count, QIcon appIcon, QWidget* parent = nullptr);

    void setCount(int count);
    int count() const { return count_; }
    QSize sizeHint() const override { return {388, 46}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int count_;
    QIcon appIcon_;
    QImage icon_;     // the badged icon as last drawn; made again for a new count, scale or appearance
    double glow_ = 0; // 0 at rest, 1 at the brightest
    QPointer<QVariantAnimation> breathing_;
};
