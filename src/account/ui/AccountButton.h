#pragma once

#include <QAbstractButton>
#include <QPointer>

class QVariantAnimation;

// The push buttons of the account views in the platform's three looks: the default bordered
// one, the prominent one filled with the accent colour, and a link. A busy prominent button
// hides its title (keeping its size) under a white spinner.
class AccountButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Look { bordered, prominent, link };

    AccountButton(const QString& title, Look look, QWidget* parent = nullptr);

    // The large control size: at least 36 high, 14 semibold, as wide as it is given.
    void setLarge(bool large);
    void setBusy(bool busy);
    bool busy() const { return busy_; }
    // Keeps the width of the widest of these titles, so a countdown never jitters.
    void setWidthFor(const QStringList& titles);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    Look look_;
    bool large_ = false;
    bool busy_ = false;
    double spin_ = 0;
    QPointer<QVariantAnimation> spinner_;
    QStringList widthTitles_;
};
