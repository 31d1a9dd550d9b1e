#pragma once

#include <QWidget>

class QAbstractButton;
class SpringValue;

// The sign-in form's two segments, "Sign In" and "Create Account", in a capsule; the active
// one sits on a raised highlight that slides across when the mode changes.
class ModeSwitch : public QWidget {
    Q_OBJECT
public:
    explicit ModeSwitch(QWidget* parent = nullptr);

    void setCreating(bool creating);
    QAbstractButton* segment(bool creating) const { return creating ? create_ : signIn_; }

Q_SIGNALS:
    // A segment was clicked, with its value.
    void chosen(bool creating);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QAbstractButton* signIn_;
    QAbstractButton* create_;
    SpringValue* slide_; // 0 under "Sign In", 1 under "Create Account"
};
