#include "views/uninstall/UninstallPrompt.h"

#include "model/AppItem.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/kit/AppIcon.h"
#include "views/kit/ButtonStyle.h"
#include "views/kit/CheckingRing.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FadedCheckBox.h"
#include "views/kit/OnAppearance.h"
#include "views/kit/PlainLabel.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SymbolView.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {
constexpr int cardWidth = 520;

QString segmentStyle() {
    const Palette& palette = Palette::current();
    return QStringLiteral("QPushButton { border: 1px solid %1; padding: 3px 14px; background: transparent; }"
                          "QPushButton:checked { background: %2; }")
        .arg(palette.primary(0.15).name(QColor::HexArgb), palette.primary(0.14).name(QColor::HexArgb));
}

QCoro::Task<void> runSearch(QPointer<UninstallPrompt> prompt,
                            std::function<QCoro::Task<QList<Leftover>>(InstalledApp)> leftovers, InstalledApp app) {
    QList<Leftover> found = co_await leftovers(std::move(app));
    if (prompt)
        prompt->showFound(std::move(found));
}

QCoro::Task<void> runRemoval(QPointer<UninstallPrompt> prompt, UninstallPrompt::Operations operations,
                             QList<Leftover> data, bool permanently) {
    co_await operations.uninstall(std::move(data), permanently);
    // The prompt goes whatever happened; the store reports the outcome.
    if (operations.close)
        operations.close();
    Q_UNUSED(prompt);
}
} // namespace

UninstallPrompt::Operations UninstallPrompt::Operations::of(Store& store, std::shared_ptr<AppItem> item) {
    Operations operations;
    QPointer<Store> owner(&store);
    operations.leftovers = [owner](InstalledApp app) -> QCoro::Task<QList<Leftover>> {
        return owner->leftovers(std::move(app));
    };
    std::weak_ptr<AppItem> row = item;
    operations.uninstall = [owner, row](QList<Leftover> data, bool permanently) -> QCoro::Task<void> {
        return owner->uninstall(row.lock(), std::move(data), permanently);
    };
    // Only while the store still shows this row: a removal ending late must not close
    // another row's prompt.
    operations.close = [owner, row] {
        const auto shown = row.lock();
        if (owner && shown && owner->removing() == shown)
            owner->setRemoving(nullptr);
    };
    return operations;
}

UninstallPrompt::UninstallPrompt(InstalledApp app, QString userLibrary, Operations operations, QWidget* parent)
    // Over the dimmed window the thick material reads as the frosted panel does.
    : ModalPrompt(cardWidth, Palette::Material::thick, parent), choice_(std::move(app), std::move(userLibrary)),
      operations_(std::move(operations)) {
    cardLayout_ = card()->column();
    cardLayout_->setSpacing(16);

    // Header.
    auto* header = new QHBoxLayout;
    header->setSpacing(14);
    header->addWidget(new AppIcon(choice_.app().url, 52, card()));
    auto* lines = new QVBoxLayout;
    lines->setSpacing(3);
    QFont titleFont = Fonts::font(Fonts::Role::title3);
    titleFont.setWeight(QFont::DemiBold);
    title_ = new PlainLabel(choice_.title(), titleFont, Palette::Tint::primary, true, card());
    auto* subtitle = new ElidedLabel(choice_.subtitle(), Qt::ElideMiddle, 1, card());
    subtitle->setFont(Fonts::caption());
    subtitle->setColor(Palette::Tint::secondary);
    subtitle->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lines->addStretch(1);
    lines->addWidget(title_);
    lines->addWidget(subtitle);
    lines->addStretch(1);
    header->addLayout(lines, 1);
    cardLayout_->addLayout(header);

    data_ = dataSection();
    cardLayout_->addWidget(data_);

    // Mode picker, a two-segment control; its label names the whole control, both segments.
    auto* control = new QWidget(card());
    control->setAccessibleName(QStringLiteral("How to remove"));
    auto* picker = new QHBoxLayout(control);
    picker->setContentsMargins(0, 0, 0, 0);
    picker->setSpacing(0);
    trash_ = new QPushButton(QStringLiteral("Move to Trash"), control);
    permanent_ = new QPushButton(QStringLiteral("Delete Permanently"), control);
    auto* group = new QButtonGroup(card());
    group->setExclusive(true);
    for (auto* segment : {trash_, permanent_}) {
        segment->setCheckable(true);
        OnAppearance::styleSheet(segment, segmentStyle);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        segment->setAccessibleDescription(control->accessibleName());
        group->addButton(segment);
        picker->addWidget(segment);
    }
    trash_->setChecked(true);
    connect(permanent_, &QPushButton::toggled, this, [this](bool on) {
        choice_.setPermanently(on);
        refresh();
    });
    cardLayout_->addWidget(control);

    note_ = new PlainLabel(QString(), Fonts::caption(), Palette::Tint::secondary, true, card());
    cardLayout_->addWidget(note_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), card());
    connect(cancel_, &QPushButton::clicked, this, &UninstallPrompt::close);
    buttons->addWidget(cancel_);
    confirm_ = new QPushButton(card());
    OnAppearance::styleSheet(confirm_, ButtonStyle::destructive);
    confirm_->setAutoDefault(false);
    connect(confirm_, &QPushButton::clicked, this, &UninstallPrompt::press);
    buttons->addWidget(confirm_);
    cardLayout_->addLayout(buttons);

    // Escape is the cancel action and Return the default one: both close, never remove; so does
    // a click on the backdrop.
    onKeys({Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}, [this] { close(); });
    connect(this, &ModalPrompt::backdropPressed, this, &UninstallPrompt::close);
    setFocusHome(cancel_);

    refresh();
    placeCard();
    search();
}

void UninstallPrompt::search() {
    if (operations_.leftovers)
        spawn(runSearch(QPointer<UninstallPrompt>(this), operations_.leftovers, choice_.app()), "leftover search");
}

void UninstallPrompt::showFound(QList<Leftover> found) {
    choice_.setFound(std::move(found));
    QWidget* fresh = dataSection();
    cardLayout_->replaceWidget(data_, fresh);
    data_->hide();
    data_->deleteLater();
    data_ = fresh;
    refresh();
    cardLayout_->activate();
    placeCard();
}

QWidget* UninstallPrompt::dataSection() {
    auto* section = new QWidget(card());
    auto* stack = new QVBoxLayout(section);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);
    rows_.clear();
    allData_ = nullptr;
    const auto& found = choice_.found();
    if (!found) {
        auto* line = new QHBoxLayout;
        line->setSpacing(0);
        line->addWidget(new CheckingRing(section));
        line->addWidget(new PlainLabel(QStringLiteral("Looking for its data and settings…"), Fonts::body(),
                                       Palette::Tint::secondary, false, section));
        line->addStretch(1);
        stack->addLayout(line);
        return section;
    }
    if (found->isEmpty()) {
        auto* line = new QHBoxLayout;
        line->setSpacing(6);
        line->addWidget(new SymbolView(QStringLiteral("checkmark.circle"), 13, Palette::Tint::secondary, 16, section));
        line->addWidget(new PlainLabel(QStringLiteral("No separate data or settings found for this app."),
                                       Fonts::font(Fonts::Role::callout), Palette::Tint::secondary, false, section));
        line->addStretch(1);
        stack->addLayout(line);
        return section;
    }
    auto* box = new QHBoxLayout;
    box->setSpacing(8);
    allData_ = new QCheckBox(section);
    allData_->setEnabled(choice_.allDataEnabled());
    allData_->setAccessibleName(choice_.allDataAccessibility());
    connect(allData_, &QCheckBox::clicked, this, [this](bool on) {
        choice_.setAllData(on);
        refresh();
    });
    box->addWidget(allData_, 0, Qt::AlignTop);
    auto* labels = new QVBoxLayout;
    labels->setSpacing(2);
    QFont medium = Fonts::body();
    medium.setWeight(QFont::Medium);
    labels->addWidget(new PlainLabel(QStringLiteral("Also delete its data and settings"), medium,
                                     Palette::Tint::primary, false, section));
    labels->addWidget(new PlainLabel(choice_.caption(), Fonts::caption(), Palette::Tint::secondary, true, section));
    box->addLayout(labels, 1);
    stack->addLayout(box);

    auto* list = new RoundedBox(10, [] { return Palette::current().primary(0.05); });
    auto* entries = new QVBoxLayout(list);
    entries->setContentsMargins(10, 10, 10, 10);
    entries->setSpacing(6);
    auto addRow = [&](const Leftover& leftover) {
        auto* row = new QWidget(list);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(8);
        auto* tick = new FadedCheckBox(row);
        tick->setAccessibleName(choice_.rowAccessibility(leftover));
        connect(tick, &QCheckBox::clicked, this, [this, leftover](bool on) {
            choice_.setChosen(leftover, on);
            refresh();
        });
        line->addWidget(tick);
        auto* label = new ElidedLabel(choice_.rowLabel(leftover), Qt::ElideMiddle, 1, row);
        label->setFont(Fonts::monospaced(11));
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        line->addWidget(label, 1);
        auto* size = new PlainLabel(choice_.rowSize(leftover), Fonts::caption(), Palette::Tint::secondary, false, row);
        line->addWidget(size);
        label->setObjectName(QStringLiteral("path"));
        size->setObjectName(QStringLiteral("size"));
        row->setToolTip(leftover.url);
        entries->addWidget(row);
        rows_.append({leftover, tick});
    };
    const auto plain = choice_.unambiguous();
    for (const auto& leftover : plain)
        addRow(leftover);
    const auto shared = choice_.ambiguous();
    if (!shared.isEmpty()) {
        if (!plain.isEmpty())
            entries->addSpacing(6);
        QFont heading = Fonts::caption();
        heading.setWeight(QFont::DemiBold);
        entries->addWidget(
            new PlainLabel(QStringLiteral("May belong to another app"), heading, Palette::Tint::orange, false, list));
        for (const auto& leftover : shared)
            addRow(leftover);
    }
    auto* scroll = new QScrollArea(section);
    scroll->setWidget(list);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setStyleSheet(QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget { background: transparent; }"));
    scroll->setMaximumHeight(150);
    scroll->setFixedHeight(std::min(150, list->sizeHint().height()));
    stack->addWidget(scroll);
    return section;
}

void UninstallPrompt::setChosen(const Leftover& leftover, bool chosen) {
    choice_.setChosen(leftover, chosen);
    refresh();
}

void UninstallPrompt::refresh() {
    title_->setText(choice_.title());
    note_->setText(choice_.modeNote());
    note_->setColor(choice_.modeNoteIsWarning() ? Palette::Tint::red : Palette::Tint::secondary);
    confirm_->setText(choice_.buttonTitle());
    confirm_->setEnabled(choice_.confirmEnabled());
    // The mode holds still while the removal runs.
    trash_->setEnabled(!choice_.working());
    permanent_->setEnabled(!choice_.working());
    if (allData_)
        allData_->setChecked(choice_.allDataChosen());
    for (const auto& [leftover, tick] : rows_) {
        tick->setChecked(choice_.isChosen(leftover));
        // An unticked row is drawn at 60 % opacity, its check box too.
        const double opacity = tick->isChecked() ? 1.0 : 0.6;
        tick->setOpacity(opacity);
        auto* row = tick->parentWidget();
        if (auto* path = row->findChild<ElidedLabel*>(QStringLiteral("path")))
            path->setColor(Palette::Ink(Palette::Tint::primary, opacity));
        if (auto* size = row->findChild<PlainLabel*>(QStringLiteral("size")))
            size->setColor(Palette::Ink(Palette::Tint::secondary, opacity));
    }
}

void UninstallPrompt::press() {
    if (leaving())
        return;
    const auto removal = choice_.press();
    refresh();
    if (!removal || !operations_.uninstall)
        return;
    spawn(runRemoval(QPointer<UninstallPrompt>(this), operations_, removal->data, removal->permanently),
          "uninstall from the prompt");
}

void UninstallPrompt::close() {
    if (leaving() || !choice_.canClose())
        return;
    if (operations_.close)
        operations_.close();
}

UninstallLayer::UninstallLayer(Store& store, QWidget* window) : ModalLayer(window), store_(store) {
    new Observer(
        this, [this] { (void)store_.removing(); }, [this] { follow(); });
    follow();
}

void UninstallLayer::follow() {
    const auto item = store_.removing();
    if (item && item == row_.lock() && prompt())
        return;
    retire();
    row_ = item;
    // A new row always gets a fresh prompt: searching again, nothing ticked, Trash mode.
    if (item)
        present(new UninstallPrompt(item->app(), store_.userLibrary(), UninstallPrompt::Operations::of(store_, item),
                                    window()));
}
