#pragma once

#include <QAbstractButton>

class SpringValue;

// Every button inside the island: a capsule of white text, clear for `plain`, a faint white
// for `secondary`, the accent gradient for `primary` (faint white when disabled), shrinking a
// little while pressed. `menuIndicator` adds the small chevron of a button that holds a menu.
class IslandButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Kind { plain, secondary, primary };

    IslandButton(Kind kind, const QString& title, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    void setSymbol(const QString& name);
    void setMenuIndicator(bool shown);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double contentWidth() const;

    Kind kind_;
    QString symbol_;
    bool indicator_ = false;
    double press_ = 0;
    SpringValue* pressMotion_;
};
