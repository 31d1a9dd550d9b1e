#pragma once

#include <QPointer>
#include <QString>
#include <QVariantAnimation>
#include <QWidget>

class QLineEdit;
class SymbolView;

// One text field of the sign-in form: a symbol and a plain line edit in a rounded box whose
// outline and symbol turn to the accent colour while the field has the keyboard focus.
class FieldBox : public QWidget {
    Q_OBJECT
public:
    FieldBox(const QString& symbol, const QString& prompt, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    // Whether the outline eases into its focus look (0.15 s); the password's box changes at once.
    void setAnimatesFocus(bool animates) { animatesFocus_ = animates; }
    // A widget at the trailing end (the password's reveal button).
    void setTrailing(QWidget* widget);
    // Sets the text unless it is already there, so typing keeps its cursor.
    void setText(const QString& text);
    bool focused() const { return focused_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setFocused(bool focused);

    QString symbolName_;
    SymbolView* symbol_;
    QLineEdit* edit_;
    bool focused_ = false;
    bool animatesFocus_ = true;
    double focusLook_ = 0; // 0 unfocused, 1 focused
    QPointer<QVariantAnimation> focusMotion_;
};
