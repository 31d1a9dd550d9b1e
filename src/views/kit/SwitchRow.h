#pragma once

#include <QAbstractButton>

class Switch;

// A settings row that is one on/off choice: its title on the leading side and the kit's Switch
// on the trailing edge. The row is the checkable button, so a click anywhere on it flips the
// choice and a screen reader reads the title with the state; the switch only shows it.
class SwitchRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit SwitchRow(const QString& title, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Switch* switch_;
};
