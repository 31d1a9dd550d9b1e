#include "platform/gui/BundleIcon.h"

#include "platform/system/PropertyList.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

namespace BundleIcon {

namespace {
std::optional<QString> iconFile(const QString& bundle) {
    const QString contents = bundle + QStringLiteral("/Contents");
    const auto info = PropertyList::dictionaryFromFile(contents + QStringLiteral("/Info.plist"));
    if (!info)
        return std::nullopt;
    const QString name = info->value(QStringLiteral("CFBundleIconFile")).toString().trimmed();
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return std::nullopt;
    const QString resources = contents + QStringLiteral("/Resources/");
    for (const QString& candidate : {name, QString(name + QStringLiteral(".icns"))}) {
        const QFileInfo file(resources + candidate);
        if (file.isFile())
            return file.filePath();
    }
    return std::nullopt;
}

// The frame of an .icns (or any image file) closest above `size`, else the largest.
QImage decode(const QString& path, int size) {
    QImageReader reader(path);
    QImage best;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QImage frame = reader.read();
        if (frame.isNull())
            continue;
        const int edge = std::max(frame.width(), frame.height());
        const int bestEdge = std::max(best.width(), best.height());
        const bool better = best.isNull() || (bestEdge < size ? edge > bestEdge : (edge >= size && edge < bestEdge));
        if (better)
            best = frame;
    }
    if (best.isNull())
        return best;
    if (std::max(best.width(), best.height()) > size)
        best = best.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return best.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}
} // namespace

QImage read(const QString& bundle, int size) {
    if (const auto file = iconFile(bundle)) {
        const QImage image = decode(*file, size);
        if (!image.isNull())
            return image;
    }
    return generic(size);
}

QImage generic(int size) {
    static const QByteArray drawing(
        R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 100 100" width="100" height="100">)svg"
        R"svg(<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1">)svg"
        R"svg(<stop offset="0" stop-color="#8f9bb3"/><stop offset="1" stop-color="#5d6982"/></linearGradient></defs>)svg"
        R"svg(<rect x="8" y="8" width="84" height="84" rx="19" fill="url(#g)"/>)svg"
        R"svg(<rect x="8.5" y="8.5" width="83" height="83" rx="18.5" fill="none" stroke="#ffffff" stroke-opacity="0.25"/>)svg"
        R"svg(<rect x="27" y="27" width="19" height="19" rx="5" fill="#ffffff" fill-opacity="0.9"/>)svg"
        R"svg(<rect x="54" y="27" width="19" height="19" rx="5" fill="#ffffff" fill-opacity="0.6"/>)svg"
        R"svg(<rect x="27" y="54" width="19" height="19" rx="5" fill="#ffffff" fill-opacity="0.6"/>)svg"
        R"svg(<rect x="54" y="54" width="19" height="19" rx="5" fill="#ffffff" fill-opacity="0.9"/>)svg"
        R"svg(</svg>)svg");
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QSvgRenderer(drawing).render(&painter, QRectF(0, 0, size, size));
    return image;
}

} // namespace BundleIcon
