#pragma once

#include <QWidget>

class QLabel;

// The centred title and subtitle of a welcome page; they fade in (and, with motion, rise 14)
// when the page comes up, the title after 0.06 s and the subtitle after 0.16 s.
class PageText : public QWidget {
    Q_OBJECT
public:
    PageText(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* title_;
    QLabel* subtitle_;
    bool shown_ = false;
};
