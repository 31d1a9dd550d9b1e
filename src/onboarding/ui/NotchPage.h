#pragma once

#include <QWidget>

class NotchDemo;

// Page 3: the notch demonstration over its texts.
class NotchPage : public QWidget {
    Q_OBJECT
public:
    explicit NotchPage(QWidget* parent = nullptr);

    NotchDemo* demo() const { return demo_; }

private:
    NotchDemo* demo_;
};
