#include "views/kit/FrameObserver.h"

FrameObserver::FrameObserver(QObject* parent, std::function<void()> read, std::function<void()> refresh)
    : Observer(parent, std::move(read),
               [this, refresh = std::move(refresh)] {
                   pacer_.passing();
                   if (refresh)
                       refresh();
               }),
      pacer_(this, [this] { update(); }) {}
