#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

#include <memory>

// The icon of an application bundle in a square of `size` pixels: a rounded placeholder until
// the shared cache answers, then the icon. A new bundle keeps the old icon until its own comes.
class AppIcon : public QWidget {
    Q_OBJECT
public:
    AppIcon(QString bundle, int size, QWidget* parent = nullptr);

    void setBundle(const QString& bundle);
    const QString& bundle() const { return bundle_; }
    bool loaded() const { return !image_.isNull(); }

    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void load();

    QString bundle_;
    int size_;
    QPixmap image_;
    QPixmap shown_; // image_ at the size and pixel ratio drawn
    int asked_ = 0; // the side in device pixels the icon was last asked at
    // Bumped per load, so a slow answer for an earlier bundle is dropped.
    std::shared_ptr<int> generation_ = std::make_shared<int>(0);
};
