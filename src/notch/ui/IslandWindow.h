#pragma once

#include "notch/IslandPanel.h"

#include <QRect>
#include <QRectF>
#include <QWidget>

#include <memory>

class IslandModel;
class IslandView;
class Store;

// The island's one window: frameless, translucent, above other windows on every workspace, out
// of the taskbar and the pager, shown without taking the focus, and taking the pointer only
// inside the drawn island (where no compositor shows translucency, the window is cut to it).
// It can still take the keyboard once clicked, for Escape.
class IslandWindow final : public QWidget, public IslandPanel {
    Q_OBJECT
public:
    // The ear of the notch outline's upper corners.
    static constexpr double ear = 12;

    // Makes and shows the window at `frame` (global, top-left origin); released with deleteLater.
    static std::shared_ptr<IslandWindow> open(std::shared_ptr<IslandModel> model, const QRectF& frame,
                                              Store* store = nullptr);

    IslandWindow(std::shared_ptr<IslandModel> model, Store* store);

    IslandView* view() const { return view_; }
    void orderOut() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void reshape();

    IslandView* view_;
    bool cut_ = false;
    QRect frame_;
};
