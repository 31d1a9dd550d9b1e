#pragma once

#include <QPointer>
#include <QWidget>

#include <optional>

class QVariantAnimation;

// A 66-pixel capsule track with a fill (or a sweeping segment when the value is unknown) and a
// short label beside it. One bar may run through several phases, each with its own label.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    ProgressBar(std::optional<double> value, QString label, QWidget* parent = nullptr);

    void setValue(std::optional<double> value, const QString& label);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void startSweep();
    double labelRoom() const;

    std::optional<double> value_;
    QString label_;
    double shown_ = 0; // the fill's width fraction as drawn
    double sweep_ = 0; // 0…1 along the track
    bool reduced_ = false;
    // Both delete themselves when they stop.
    QPointer<QVariantAnimation> fill_;
    QPointer<QVariantAnimation> sweeping_;
};
