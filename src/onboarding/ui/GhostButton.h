#pragma once

#include <QAbstractButton>

// The welcome window's secondary button: white text on a faint outlined capsule whose fill
// brightens while pressed. Either a title or a symbol 20 wide.
class GhostButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit GhostButton(const QString& title, QWidget* parent = nullptr);
    // A symbol-only button, named for accessibility.
    static GhostButton* symbol(const QString& symbol, const QString& name, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString symbol_;
};
