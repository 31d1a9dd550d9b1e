#pragma once

#include <QWidget>

class QLabel;

// The coloured left column of the sign-in card: a greeting that follows the form's mode, what
// an account is good for, and what is stored with it. 320 wide; the decorative circles are
// cut at its edges, and its leading corners follow the card's rounding.
class PitchPanel : public QWidget {
    Q_OBJECT
public:
    explicit PitchPanel(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QLabel* title() const { return title_; }
    // The card's corner radius, for the two leading corners.
    void setCornerRadius(double radius);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QWidget* perk(const QString& symbol, const QString& title, const QString& text);

    // The app's icon; the corner of its rounded square, about 22% of its side.
    static constexpr double iconRadius = 10;
    QLabel* icon_;
    QLabel* title_;
    double radius_ = 0;
};
