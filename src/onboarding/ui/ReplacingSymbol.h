#pragma once

#include <QColor>
#include <QPointer>
#include <QString>
#include <QWidget>

class QPainter;
class QVariantAnimation;

// A symbol that, when it changes, replaces the one before: the new one springs in from half its
// size over the old one as that fades out.
class ReplacingSymbol : public QWidget {
    Q_OBJECT
public:
    ReplacingSymbol(int size, QWidget* parent = nullptr);

    // A new name is brought in by the setup window's spring; a new colour alone shows at once.
    void setSymbol(const QString& name, const QColor& colour);
    const QString& symbol() const { return name_; }
    // How far the last replacement has come, 0 to 1 (a spring goes past it).
    double replaced() const { return replaced_; }

    // Draws `after` replacing `before` in `box`, `w` of the way, the new one growing from `from`
    // of its size.
    static void paint(QPainter& painter, const QRectF& box, const QString& before, const QColor& was,
                      const QString& after, const QColor& is, double w, double from);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString before_, name_;
    QColor was_, colour_;
    double replaced_ = 1;
    QPointer<QVariantAnimation> running_;
};
