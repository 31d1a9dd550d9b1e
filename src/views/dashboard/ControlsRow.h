#pragma once

#include <QWidget>

// The row under the overview header: the filter chips, the search field and the permission
// pills. When the chips, a 200 wide search field, 8 of space and the pills fit on one line
// they share it; otherwise the chips take a line of their own and the search field takes
// what the pills leave on the line below.
class ControlsRow : public QWidget {
    Q_OBJECT
public:
    ControlsRow(QWidget* chips, QWidget* search, QWidget* pills, QWidget* parent = nullptr);

    // Whether everything fits on one line at `width`.
    bool wide(int width) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void place();
    int wideWidth() const;

    QWidget* chips_;
    QWidget* search_;
    QWidget* pills_;
};
