#include "notch/ui/MainWindowFold.h"

void PlainMainWindowFold::foldInto(QRectF) {
    if (window_)
        window_->hide();
}

void PlainMainWindowFold::growFrom(QRectF) {
    if (!window_)
        return;
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    window_->show();
    window_->raise();
    window_->activateWindow();
}
