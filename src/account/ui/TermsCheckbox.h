#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;

// The agreement to the terms and the privacy policy: a checkbox without a title beside a text
// whose two links open their pages. The text is no label of the box, so clicking it (or a link)
// never ticks it.
class TermsCheckbox : public QWidget {
    Q_OBJECT
public:
    explicit TermsCheckbox(QWidget* parent = nullptr);

    // Shows the caller's flag; writes nothing back.
    void setAgreed(bool agreed);
    QCheckBox* box() const { return box_; }
    QLabel* text() const { return text_; }

Q_SIGNALS:
    // The user ticked or cleared the box.
    void agreedChanged(bool agreed);

private:
    QCheckBox* box_;
    QLabel* text_;
};
