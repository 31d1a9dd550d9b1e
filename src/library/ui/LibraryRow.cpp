#include "library/ui/LibraryRow.h"

#include "library/LibraryScreenModel.h"
#include "model/Motion.h"
#include "platform/gui/ActionText.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/PaintCache.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Observation.h"
#include "runtime/OutsideText.h"
#include "store/LibraryItem.h"
#include "store/Store.h"
#include "views/kit/Animator.h"
#include "views/kit/AppIcon.h"
#include "views/kit/DoneMark.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FadeEffect.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PillButton.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/ProgressBar.h"
#include "views/kit/Tag.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QToolButton>
#include <QVariantAnimation>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr int iconSize = 36;
constexpr qreal radius = 14;

// The lettered stand-in for an app this Mac doesn't have.
class Placeholder : public QWidget {
public:
    Placeholder(QString letter, QWidget* parent) : QWidget(parent), letter_(std::move(letter)) {
        setFixedSize(iconSize, iconSize);
        setAccessibleName(QString());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor top = Palette::current().accent(), bottom = top;
        top.setAlphaF(0.75f);
        bottom.setAlphaF(0.45f);
        QLinearGradient fill(0, 0, 0, height());
        fill.setColorAt(0, top);
        fill.setColorAt(1, bottom);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
        QFont font = Fonts::system(17, QFont::Bold);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, letter_);
    }

private:
    QString letter_;
};

QColor toneColour(LibraryRowModel::Status::Tone tone) {
    const Palette& palette = Palette::current();
    return tone == LibraryRowModel::Status::Tone::green ? palette.hue(Palette::Hue::green) : palette.secondary();
}
} // namespace

LibraryRow::LibraryRow(std::shared_ptr<LibraryItem> item, Store& store, QWidget* parent)
    : QWidget(parent), item_(item), store_(store) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 11, 16, 11);
    row->setSpacing(12);

    checkbox_ = new QCheckBox(this);
    checkbox_->setCursor(Qt::ArrowCursor);
    connect(checkbox_, &QCheckBox::toggled, this, [this](bool on) {
        if (const auto entry = item_.lock())
            entry->setSelected(on);
    });
    // Hidden, the box keeps its room, so every row's icon lines up with its neighbours'.
    QSizePolicy keep = checkbox_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    checkbox_->setSizePolicy(keep);
    row->addWidget(checkbox_);

    iconHolder_ = new QWidget(this);
    iconHolder_->setFixedSize(iconSize, iconSize);
    new QHBoxLayout(iconHolder_);
    iconHolder_->layout()->setContentsMargins(0, 0, 0, 0);
    row->addWidget(iconHolder_);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    name_ = new PlainLabel(QString(), Fonts::system(14, QFont::DemiBold), Palette::Tint::primary, false, this);
    name_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    texts->addWidget(name_);
    macsHolder_ = new QWidget(this);
    macsLine_ = new QHBoxLayout(macsHolder_);
    macsLine_->setContentsMargins(0, 0, 0, 0);
    macsLine_->setSpacing(5);
    texts->addWidget(macsHolder_);
    notesHolder_ = new QWidget(this);
    notes_ = new QVBoxLayout(notesHolder_);
    notes_->setContentsMargins(0, 0, 0, 0);
    notes_->setSpacing(2);
    texts->addWidget(notesHolder_);
    notesHolder_->hide();
    row->addLayout(texts, 1);
    row->addSpacing(8);

    statusHolder_ = new QWidget(this);
    statusHolder_->setMinimumWidth(130);
    auto* statusRow = new QHBoxLayout(statusHolder_);
    statusRow->setContentsMargins(0, 0, 0, 0);
    statusRow->addStretch(1);
    row->addWidget(statusHolder_);

    more_ = new QToolButton(this);
    OnAppearance::follow(
        more_, [this] { more_->setIcon(Symbols::icon(u"ellipsis.circle"_s, Palette::current().secondary())); });
    more_->setIconSize(QSize(17, 17));
    more_->setAutoRaise(true);
    more_->setPopupMode(QToolButton::InstantPopup);
    more_->setStyleSheet(u"QToolButton { border: none; background: transparent; padding: 2px; }"
                         "QToolButton::menu-indicator { image: none; width: 0; }"_s);
    more_->setCursor(Qt::ArrowCursor);
    auto* menu = new QMenu(more_);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        fillActions(*menu);
    });
    more_->setMenu(menu);
    row->addWidget(more_);

    observer_ = new Observer(
        this,
        [this] {
            if (const auto entry = item_.lock()) {
                (void)entry->app();
                (void)entry->route();
                (void)entry->phase();
                (void)entry->selected();
                (void)entry->note();
                (void)entry->team();
                (void)store_.items();
            }
        },
        [this] { refresh(); });
    refresh();
    // The tags keep the colours they were made in: they are made again in the new appearance.
    connect(&OnAppearance::changes(), &OnAppearance::changed, this, [this] {
        shownStatus_.reset();
        shownMacs_.reset();
        refresh();
    });
}

LibraryRow::~LibraryRow() = default;

void LibraryRow::setDevices(const QList<Device>& devices) {
    if (devices == devices_)
        return;
    devices_ = devices;
    refresh();
}

void LibraryRow::setSelectable(bool selectable) {
    if (selectable == selectable_)
        return;
    selectable_ = selectable;
    refresh();
}

void LibraryRow::fillActions(QMenu& menu) {
    const auto entry = item_.lock();
    if (!entry)
        return;
    const LibraryRowModel::Actions actions = LibraryRowModel::actions(*entry);
    const QUrl url = actions.openUrl;
    menu.addAction(ActionText::plain(actions.openTitle), this, [this, url] { store_.openPage(url); });
    menu.addSeparator();
    QAction* remove = menu.addAction(tr("Remove from Library…"), this, [this] {
        if (const auto target = item_.lock())
            store_.setLibraryRemoval(Store::LibraryRows{target});
    });
    remove->setEnabled(actions.removeEnabled);
}

void LibraryRow::refresh() {
    const auto entry = item_.lock();
    if (!entry)
        return;
    const QString here = store_.deviceID();
    const QString name = OutsideText::clean(entry->app().name);
    name_->setText(name);
    setAccessibleName(name);

    checkbox_->setVisible(selectable_);
    {
        const QSignalBlocker quiet(checkbox_);
        checkbox_->setChecked(entry->selected());
    }
    checkbox_->setEnabled(LibraryRowModel::checkboxEnabled(*entry));
    checkbox_->setAccessibleName(LibraryRowModel::selectName(entry->app().name));
    more_->setAccessibleName(LibraryRowModel::moreName(entry->app().name));
    more_->setToolTip(more_->accessibleName());

    const std::optional<QString> bundle = LibraryRowModel::iconBundle(store_, *entry);
    if (bundle) {
        delete placeholder_;
        placeholder_ = nullptr;
        if (!icon_) {
            icon_ = new AppIcon(*bundle, iconSize, iconHolder_);
            iconHolder_->layout()->addWidget(icon_);
        }
        icon_->setBundle(*bundle);
    } else {
        delete icon_;
        icon_ = nullptr;
        if (!placeholder_) {
            placeholder_ = new Placeholder(LibraryRowModel::initial(name), iconHolder_);
            iconHolder_->layout()->addWidget(placeholder_);
        }
    }

    // A restore queues its rows at once; each shows so 0.05 s after the one above it.
    const InstallPhase::Kind phase = entry->phase().kind();
    if (phase != InstallPhase::Kind::queued) {
        holding_ = false;
    } else if (phase_ && *phase_ != phase && queueDelay_) {
        queuedAfter_ = queueDelay_();
        if (queuedAfter_ > 0 && !Motion::instant()) {
            holding_ = true;
            QTimer::singleShot(static_cast<int>(std::lround(queuedAfter_ * 1000)), this, [this] {
                holding_ = false;
                refresh();
            });
        }
    }
    phase_ = phase;
    if (!holding_)
        showStatus(LibraryRowModel::status(*entry, here));
    showMacs(LibraryRowModel::macs(*entry, devices_));
    showNote(LibraryRowModel::note(*entry, here));

    if (entry->selected() != selected_) {
        selected_ = entry->selected();
        // The edge follows a tick by an ease-out of 0.12 s.
        const double from = tick_;
        if (tickMotion_)
            tickMotion_->stop();
        tickMotion_ = Animator::timed(this, 0.12, QEasingCurve::OutQuad, from, selected_ ? 1 : 0, [this](double v) {
            tick_ = v;
            update();
        });
    }
}

void LibraryRow::showStatus(const LibraryRowModel::Status& status) {
    if (shownStatus_ == status)
        return;
    using Kind = LibraryRowModel::Status::Kind;
    auto* bar = qobject_cast<ProgressBar*>(statusWidget_);
    if (status.kind == Kind::progress && bar) {
        bar->setValue(status.value, status.title);
        shownStatus_ = status;
        return;
    }
    const bool replacing = shownStatus_.has_value();
    delete statusWidget_;
    statusWidget_ = nullptr;
    switch (status.kind) {
    case Kind::progress:
        statusWidget_ = new ProgressBar(status.value, status.title, statusHolder_);
        break;
    case Kind::tag:
        statusWidget_ = new Tag(status.title, status.symbol, toneColour(status.tone), statusHolder_);
        break;
    case Kind::done:
        statusWidget_ = new DoneMark(status.title, statusHolder_);
        break;
    case Kind::button: {
        auto* button = new PillButton(status.title, status.prominent, statusHolder_);
        button->setToolTip(status.tooltip);
        const QUrl url = status.url;
        connect(button, &QAbstractButton::clicked, this, [this, url] { store_.openPage(url); });
        statusWidget_ = button;
        break;
    }
    }
    statusWidget_->setAccessibleName(status.title);
    statusHolder_->layout()->addWidget(statusWidget_);
    shownStatus_ = status;
    if (replacing)
        bringIn(statusWidget_, status.kind == Kind::done);
}

void LibraryRow::bringIn(QWidget* status, bool done) {
    // Inside the row's own fade an effect of the status would draw nothing.
    if (Animator::insideEffect(status))
        return;
    if (!done) {
        Animator::appear(status);
        return;
    }
    // A restore's landing springs in whatever the motion setting.
    QPointer<QGraphicsOpacityEffect> effect = new FadeEffect(status);
    effect->setOpacity(0);
    status->setGraphicsEffect(effect);
    Animator::spring(status, 0.4, 0.6, 0, 1, [status, effect](double v) {
        if (!effect)
            return;
        effect->setOpacity(std::clamp(v, 0.0, 1.0));
        if (v == 1)
            status->setGraphicsEffect(nullptr);
    });
}

void LibraryRow::setOffset(double offset) {
    if (offset == offset_)
        return;
    offset_ = offset;
    // The content moves down within the row's own height, so the list around it stays put.
    const int shift = std::clamp(static_cast<int>(std::lround(offset)), -11, 11);
    layout()->setContentsMargins(16, 11 + shift, 16, 11 - shift);
    update();
}

void LibraryRow::showMacs(const LibraryRowModel::Macs& macs) {
    if (shownMacs_ == macs)
        return;
    shownMacs_ = macs;
    while (QLayoutItem* old = macsLine_->takeAt(0)) {
        delete old->widget();
        delete old;
    }
    const Palette& palette = Palette::current();
    for (const QString& chip : macs.chips) {
        auto* tag = new Tag(chip, u"laptopcomputer"_s, palette.accent(), macsHolder_);
        tag->setFont(Fonts::system(10.5, QFont::Medium));
        macsLine_->addWidget(tag);
    }
    auto secondary = [&](const QString& text) {
        auto* label = new ElidedLabel(text, Qt::ElideRight, 1, macsHolder_);
        label->setFont(Fonts::system(11));
        label->setColor(Palette::Tint::secondary);
        macsLine_->addWidget(label);
    };
    if (macs.absent)
        secondary(*macs.absent);
    if (macs.source)
        secondary(*macs.source);
    macsLine_->addStretch(1);
}

void LibraryRow::showNote(const QList<LibraryRowModel::NoteLine>& lines) {
    if (shownNote_ == lines && (lines.isEmpty() || notesHolder_->isVisibleTo(this)))
        return;
    shownNote_ = lines;
    while (QLayoutItem* old = notes_->takeAt(0)) {
        delete old->widget();
        delete old;
    }
    for (const auto& line : lines) {
        auto* label = new ElidedLabel(line.text, Qt::ElideRight, line.maxLines, notesHolder_);
        label->setFont(Fonts::caption());
        label->setColor(line.alert ? Palette::Tint::red : Palette::Tint::secondary);
        if (line.tooltip)
            label->setToolTip(line.text);
        notes_->addWidget(label);
    }
    notesHolder_->setVisible(!lines.isEmpty());
}

void LibraryRow::paintEvent(QPaintEvent*) {
    const Palette& palette = Palette::current();
    QPainter painter(this);
    const QColor plain = palette.primary(0.07);
    QColor ticked = palette.accent();
    ticked.setAlphaF(0.6f);
    const auto mix = [&](float a, float b) { return a + (b - a) * static_cast<float>(tick_); };
    const QColor border = QColor::fromRgbF(mix(plain.redF(), ticked.redF()), mix(plain.greenF(), ticked.greenF()),
                                           mix(plain.blueF(), ticked.blueF()), mix(plain.alphaF(), ticked.alphaF()));
    PaintCache::fillRounded(painter, QRectF(rect()).translated(0, offset_), radius, palette.material(), border, 1);
}

void LibraryRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    if (const auto entry = item_.lock())
        LibraryRowModel::tap(*entry, selectable_);
    event->accept();
}

void LibraryRow::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    fillActions(*menu);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
