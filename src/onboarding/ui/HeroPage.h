#pragma once

#include <QWidget>

class IconWall;
class Store;

// Page 0: a drifting wall of the apps' own icons over the hero texts.
class HeroPage : public QWidget {
    Q_OBJECT
public:
    HeroPage(Store& store, QWidget* parent = nullptr);

    IconWall* wall() const { return wall_; }

private:
    IconWall* wall_;
};
