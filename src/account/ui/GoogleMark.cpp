#include "account/ui/GoogleMark.h"

#include "model/MainBundle.h"

#include <QPainter>
#include <QSvgRenderer>

#include <optional>

GoogleMark::GoogleMark(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QString()); // decoration only
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

namespace {
std::optional<QString>& source() {
    static std::optional<QString> file;
    return file;
}
} // namespace

void GoogleMark::readFrom(const QString& file) { source() = file; }

QSvgRenderer* GoogleMark::image() {
    static QSvgRenderer* const logo = []() -> QSvgRenderer* {
        const auto file = source() ? source() : MainBundle::resource(QStringLiteral("google-g.svg"));
        if (!file)
            return nullptr;
        auto* renderer = new QSvgRenderer(*file);
        if (renderer->isValid())
            return renderer;
        delete renderer;
        return nullptr;
    }();
    return logo;
}

void GoogleMark::paint(QPainter& painter, const QRectF& rect) {
    QSvgRenderer* logo = image();
    if (!logo)
        return;
    QSizeF size = logo->defaultSize();
    if (size.isEmpty())
        size = QSizeF(1, 1);
    size.scale(rect.size(), Qt::KeepAspectRatio);
    QRectF target(QPointF(), size);
    target.moveCenter(rect.center());
    logo->render(&painter, target);
}

void GoogleMark::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, QRectF(rect()));
}
