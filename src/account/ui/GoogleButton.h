#pragma once

#include <QAbstractButton>

// "Continue with Google" / "Sign up with Google": the logo and the title on a white rounded box
// with a faint outline, in the same look in both appearances. Half transparent while the terms
// are not agreed to.
class GoogleButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit GoogleButton(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    void setFaded(bool faded);
    bool faded() const { return faded_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool faded_ = false;
};
