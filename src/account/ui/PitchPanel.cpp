#include "account/ui/PitchPanel.h"

#include "account/ui/Fade.h"

#include "platform/gui/Fonts.h"
#include "views/kit/SoftShadow.h"
#include "views/kit/SymbolView.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QLabel* whiteLabel(const QString& text, const QFont& font, double opacity, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setWordWrap(true);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QColor::fromRgbF(1, 1, 1, float(opacity)));
    label->setPalette(colours);
    return label;
}

// The symbol on its translucent white tile.
class PerkTile : public QWidget {
public:
    PerkTile(const QString& symbol, QWidget* parent) : QWidget(parent) {
        setFixedSize(32, 32);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(new SymbolView(symbol, 17, Qt::white, 32, this), 0, Qt::AlignCenter);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath tile;
        tile.addRoundedRect(QRectF(rect()), 9, 9);
        painter.fillPath(tile, QColor::fromRgbF(1, 1, 1, 0.18f));
    }
};

} // namespace

PitchPanel::PitchPanel(QWidget* parent) : QWidget(parent) {
    setFixedWidth(320);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(18);

    // Its shadow is painted by the panel: the library fades the form in, and a shadow effect
    // inside a fading widget loses its painter.
    icon_ = new QLabel(this);
    icon_->setFixedSize(46, 46);
    icon_->setPixmap(QApplication::windowIcon().pixmap(46, 46));
    icon_->setScaledContents(true);
    column->addWidget(icon_);

    title_ = whiteLabel(QString(), Fonts::system(26, QFont::Black), 1, this);
    title_->setWordWrap(false);
    column->addWidget(title_);

    auto* perks = new QVBoxLayout;
    perks->setSpacing(13);
    perks->addWidget(
        perk(u"icloud.and.arrow.up"_s, u"Back up your app list"_s, tr("Every app on each of your Macs, by name.")));
    perks->addWidget(perk(u"macbook.and.iphone"_s, u"Set up a new Mac fast"_s,
                          tr("Pick apps from your library and Quenlark installs them.")));
    column->addLayout(perks);
    column->addStretch(1);

    column->addWidget(
        whiteLabel(tr("Stored with your account: your email and name; each app's name, bundle id, version, source and "
                      "developer Team ID; your Macs' names and models, and a hashed hardware id (a SHA-256 of the "
                      "hardware UUID with an Quenlark-only prefix, never the UUID)") +
                       u". "_s +
                       tr("Never your files or any app's data. Delete it all any time in Settings \u203a Account. This "
                          "Mac's Keychain keeps your sign-in session (email, name and sign-in tokens)."),
                   Fonts::system(11), 0.8, this));
}

QWidget* PitchPanel::perk(const QString& symbol, const QString& title, const QString& text) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    layout->addWidget(new PerkTile(symbol, row), 0, Qt::AlignTop);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(whiteLabel(title, Fonts::system(13.5, QFont::DemiBold), 1, row));
    texts->addWidget(whiteLabel(text, Fonts::system(11.5), 0.8, row));
    layout->addLayout(texts, 1);
    return row;
}

void PitchPanel::setTitle(const QString& title) {
    if (title_->text() == title)
        return;
    const bool shown = isVisible() && !title_->text().isEmpty();
    title_->setText(title);
    if (!shown)
        return;
    Fade::in(title_); // the new greeting, with the card's animation
}

void PitchPanel::setCornerRadius(double radius) {
    radius_ = radius;
    update();
}

void PitchPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(rect());
    // Rounded on the leading side only; the form column continues on the trailing side.
    QPainterPath shape;
    shape.addRoundedRect(box.adjusted(0, 0, radius_, 0), radius_, radius_);
    painter.setClipPath(shape.intersected([&] {
        QPainterPath column;
        column.addRect(box);
        return column;
    }()));

    QLinearGradient fill(box.topLeft(), box.bottomRight());
    fill.setColorAt(0, QColor::fromRgbF(0.16f, 0.45f, 1.0f));
    fill.setColorAt(1, QColor::fromRgbF(0.10f, 0.70f, 0.78f));
    painter.fillRect(box, fill);

    // Each circle sits in a frame of its width and the column's height, then is moved.
    const auto circle = [&](double frameWidth, double dx, double dy, double opacity) {
        const double diameter = std::min(frameWidth, box.height());
        const QPointF centre(frameWidth / 2 + dx, box.height() / 2 + dy);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(1, 1, 1, float(opacity)));
        painter.drawEllipse(centre, diameter / 2, diameter / 2);
    };
    circle(260, 170, -90, 0.12);
    circle(200, -70, 380, 0.08);

    // The icon's shadow: 20% black, 4 down, over a blur of 8.
    SoftShadow::paint(painter, QRectF(icon_->geometry()), iconRadius, QColor::fromRgbF(0, 0, 0, 0.2f), 8,
                      QPointF(0, 4));
}
