#pragma once

#include <QWidget>

// Page 1: the update sources and the features as endless chip rows, and a sample app card that
// flips between "Up to date" and "Update" every 2.4 s.
class SourcesPage : public QWidget {
    Q_OBJECT
public:
    explicit SourcesPage(QWidget* parent = nullptr);

    bool newer() const { return newer_; }

private:
    class Card;
    Card* card_;
    bool newer_ = false;
    double flip_ = 0; // 0 the installed version, 1 the newer one; between while it springs across
};
