#pragma once

#include <QWidget>

class QLabel;

// The centred title and subtitle of a welcome page; they fade in (and, with motion, rise 14)
// when the page comes up, the title after 0.06 s and the subtitle after 0.16 s. The title is
// heavy, its lines 2 apart beyond the font's spacing.
class PageText : public QWidget {
    Q_OBJECT
public:
    static constexpr int titleLineSpacing = 2;

    PageText(const QString& title, const QString& subtitle, QWidget* parent = nullptr);

    // The room under the texts they rise through: part of the block's height, so a page may let
    // what follows take it back once the texts are in place.
    int reserve() const { return reserve_; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void place();
    void enter(QLabel* label, double& drop, int delayMs);

    QLabel* title_;
    QLabel* subtitle_;
    int reserve_;
    // How far each text still sits below its place.
    double titleDrop_ = 0;
    double subtitleDrop_ = 0;
    bool shown_ = false;
};
