#include "onboarding/ui/SetupPage.h"

#include "model/Prefs.h"
#include "model/Theme.h"
#include "onboarding/SetupPageModel.h"
#include "onboarding/WelcomePage.h"
#include "onboarding/ui/GhostButton.h"
#include "onboarding/ui/GradientButton.h"
#include "onboarding/ui/PageText.h"
#include "onboarding/ui/WelcomeColors.h"
#include "platform/gui/Fonts.h"
#include "platform/gui/Palette.h"
#include "platform/gui/Symbols.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "views/kit/RoundedBox.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/Switch.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QLabel* label(const QString& text, const QFont& font, const QColor& colour, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    QPalette palette = l->palette();
    palette.setColor(QPalette::WindowText, colour);
    l->setPalette(palette);
    return l;
}

} // namespace

SetupPage::SetupPage(std::unique_ptr<SetupPageModel> model, Actions actions, QWidget* parent)
    : QWidget(parent), model_(std::move(model)), actions_(std::move(actions)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(22);
    // Clear of the window's top row (its close control); the window grows to the page where
    // wider fonts than the design's wrap the rows onto more lines.
    layout->addStretch(1);
    layout->addSpacing(46);
    auto* text =
        new PageText(tr("Almost there"), tr("A few choices. You can change all of them later in Settings."), this);
    layout->addWidget(text);
    // The room the texts rose through is the start of the gap to the rows.
    layout->addSpacing(-text->reserve());
    auto* list = new QWidget(this);
    list->setFixedWidth(560);
    rows_ = new QVBoxLayout(list);
    rows_->setContentsMargins(0, 0, 0, 0);
    rows_->setSpacing(10);
    layout->addWidget(list, 0, Qt::AlignHCenter);
    error_ = label(QString(), Fonts::caption(), Palette::dark().hue(Palette::Hue::red), this);
    error_->setWordWrap(true);
    error_->setMaximumWidth(560);
    layout->addWidget(error_, 0, Qt::AlignHCenter);
    // Placed by hand: the primary button carries room for its shadow on every side, which the
    // 12 between the buttons does not count.
    auto* buttons = new QWidget(this);
    auto* back = GhostButton::symbol(QStringLiteral("chevron.left"), tr("Back"), buttons);
    auto* start = new GhostButton(tr("Start Using Quenlark"), buttons);
    auto* tour = new GradientButton(tr("Take the Tour"), buttons);
    tour->setShortcut(Qt::Key_Return);
    const QSize tourSize = tour->sizeHint(), backSize = back->sizeHint(), startSize = start->sizeHint();
    const int room = (tourSize.height() - 46) / 2;
    buttons->setFixedSize(backSize.width() + 12 + startSize.width() + 12 + tourSize.width(), tourSize.height());
    back->setGeometry(room, (tourSize.height() - backSize.height()) / 2, backSize.width(), backSize.height());
    start->setGeometry(back->geometry().right() + 1 + 12, (tourSize.height() - startSize.height()) / 2,
                       startSize.width(), startSize.height());
    tour->setGeometry(start->geometry().right() + 1 + 12 - room, 0, tourSize.width(), tourSize.height());
    layout->addSpacing(4 - 14);
    layout->addWidget(buttons, 0, Qt::AlignHCenter);
    // The page dots sit below.
    layout->addSpacing(56 - 14);
    layout->addStretch(1);
    connect(back, &QAbstractButton::clicked, this, [this] { actions_.back(); });
    connect(start, &QAbstractButton::clicked, this, [this] { actions_.finish(false); });
    connect(tour, &QAbstractButton::clicked, this, [this] { actions_.finish(true); });
    new Observer(
        this, [this] { (void)model_->rows(), (void)model_->moveError(); }, [this] { refresh(); });
    refresh();
}

SetupPage::~SetupPage() = default;

void SetupPage::refresh() {
    error_->setVisible(model_->moveError().has_value());
    error_->setText(model_->moveError().value_or(QString()));
    const QList<SetupPageModel::Row> rows = model_->rows();
    if (rows == shown_)
        return;
    // A changed icon alone (the theme's) keeps the controls, so the picker's plate can slide.
    const auto sameButIcons = [&rows, this] {
        if (rows.size() != shown_.size())
            return false;
        for (qsizetype i = 0; i < rows.size(); ++i)
            if (rows[i].title != shown_[i].title || rows[i].subtitle != shown_[i].subtitle ||
                rows[i].control != shown_[i].control)
                return false;
        return true;
    };
    if (sameButIcons()) {
        for (qsizetype i = 0; i < rows.size(); ++i)
            icons_[i]->setPixmap(Symbols::pixmap(rows[i].icon, 18, WelcomeColors::blue(), devicePixelRatioF()));
        shown_ = rows;
        return;
    }
    shown_ = rows;
    icons_.clear();
    // Later, not now: the control that changed something may be the one asking.
    while (QLayoutItem* item = rows_->takeAt(0)) {
        item->widget()->hide();
        item->widget()->deleteLater();
        delete item;
    }
    for (const SetupPageModel::Row& row : rows) {
        auto* box = new RoundedBox(
            14, [] { return WelcomeColors::white(0.06); }, nullptr, [] { return WelcomeColors::white(0.09); });
        auto* line = new QHBoxLayout(box);
        line->setContentsMargins(16, 11, 16, 11);
        line->setSpacing(14);
        auto* icon = new QLabel(box);
        icon->setFixedSize(30, 22);
        icon->setAlignment(Qt::AlignCenter);
        icon->setPixmap(Symbols::pixmap(row.icon, 18, WelcomeColors::blue(), devicePixelRatioF()));
        icons_.append(icon);
        line->addWidget(icon);
        auto* texts = new QVBoxLayout();
        texts->setSpacing(2);
        texts->addWidget(label(row.title, Fonts::system(13.5, QFont::DemiBold), Qt::white, box));
        auto* subtitle = label(row.subtitle, Fonts::system(11.5), WelcomeColors::white(0.55), box);
        subtitle->setWordWrap(true);
        texts->addWidget(subtitle);
        line->addLayout(texts, 1);
        line->addSpacing(10);
        const QColor green = Palette::dark().hue(Palette::Hue::green);
        const int before = line->count();
        switch (row.control) {
        case SetupPageModel::Control::appearance: {
            // The welcome window stays dark whichever theme is chosen here.
            auto* picker =
                new SegmentedControl({tr("System"), tr("Light"), tr("Dark")}, tr("Appearance"), box, &Palette::dark);
            picker->setFixedWidth(200);
            picker->setCurrent(int(model_->theme()));
            connect(picker, &SegmentedControl::activated, this, [this](int index) { model_->setTheme(Theme(index)); });
            line->addWidget(picker);
            break;
        }
        case SetupPageModel::Control::moveButton: {
            auto* move = new GhostButton(tr("Move"), box);
            connect(move, &QAbstractButton::clicked, this, [this] { spawn(model_->move(), "move to Applications"); });
            line->addWidget(move);
            break;
        }
        case SetupPageModel::Control::loginSwitch: {
            auto* toggle = new Switch(tr("Open at login"), box, &Palette::dark);
            toggle->setChecked(model_->login());
            connect(toggle, &Switch::toggled, this, [this](bool on) { model_->setLogin(on); });
            line->addWidget(toggle);
            break;
        }
        case SetupPageModel::Control::settingsButton: {
            auto* open = new GhostButton(tr("Open Settings"), box);
            connect(open, &QAbstractButton::clicked, this, [this] { actions_.openPermissionSettings(); });
            line->addWidget(open);
            break;
        }
        case SetupPageModel::Control::signInButton: {
            auto* signIn = new GhostButton(tr("Sign In"), box);
            connect(signIn, &QAbstractButton::clicked, this, [this] { model_->signIn(); });
            line->addWidget(signIn);
            break;
        }
        case SetupPageModel::Control::on:
        case SetupPageModel::Control::done:
            line->addWidget(label(row.control == SetupPageModel::Control::on ? tr("On") : tr("Done"),
                                  Fonts::system(13, QFont::DemiBold), green, box));
            break;
        }
        // A wrapped subtitle gets the height its lines need beside the control.
        if (line->count() > before) {
            const int control = line->itemAt(line->count() - 1)->sizeHint().width();
            const int text = 560 - 2 * 16 - 30 - 3 * 14 - 10 - control;
            subtitle->setFixedSize(text, subtitle->heightForWidth(text));
        }
        rows_->addWidget(box);
    }
}
