#include "FakeClock.h"
#include "RowSamples.h"
#include "WaitForEvents.h"
#include "model/AppItem.h"
#include "model/Motion.h"
#include "runtime/MakeShared.h"
#include "views/cards/AppCard.h"
#include "views/cards/RowAccessory.h"
#include "views/cards/RowMenu.h"
#include "views/cards/VersionPillFace.h"
#include "views/cards/VersionPillModel.h"
#include "views/kit/Animator.h"
#include "views/kit/DoneMark.h"
#include "platform/gui/Palette.h"
#include "views/detail/AttemptRow.h"
#include "views/detail/DetailPane.h"
#include "views/detail/NotesLabel.h"
#include "views/detail/StatusCard.h"
#include "views/kit/ElidedLabel.h"
#include "views/kit/FadedCheckBox.h"
#include "views/kit/PillButton.h"
#include "views/kit/ProgressBar.h"
#include "views/uninstall/UninstallPrompt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGraphicsOpacityEffect>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

TEST(ElidedLabel, CutsLongAddressesInTheMiddleWithinTwoLines) {
    const QString url = QStringLiteral("https://example.org/a/rather/long/path/to/the/feed/of/this/application/"
                                       "and/then/some/more/segments/appcast.xml?channel=stable");
    ElidedLabel label(url, Qt::ElideMiddle, 2);
    label.resize(180, 40);
    const QStringList lines = label.lines(180);
    ASSERT_EQ(lines.size(), 2);
    const QString shown = lines.join(QString());
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("stable")));
    EXPECT_TRUE(label.elided());
    for (const QString& line : lines)
        EXPECT_LE(QFontMetricsF(label.font()).horizontalAdvance(line), 180.5);

    ElidedLabel fits(QStringLiteral("short"), Qt::ElideMiddle, 2);
    EXPECT_EQ(fits.lines(180), QStringList{QStringLiteral("short")});
}

// Lines are kept per width and drawn from shaped copies: a new text or font must reach every
// width asked before and the next paint.
TEST(ElidedLabel, ANewTextOrFontIsWrappedAgainAtEveryWidthAndDrawnAnew) {
    const QString url = QStringLiteral("https://example.org/a/rather/long/path/to/the/feed/of/this/application/"
                                       "and/then/some/more/segments/appcast.xml?channel=stable");
    ElidedLabel label(url, Qt::ElideRight, 2);
    ASSERT_TRUE(label.lines(120).join(QString()).contains(QChar(0x2026)));
    ASSERT_TRUE(label.lines(300).join(QString()).contains(QChar(0x2026)));
    label.setText(QStringLiteral("short"));
    EXPECT_EQ(label.lines(120), QStringList{QStringLiteral("short")});
    EXPECT_EQ(label.lines(300), QStringList{QStringLiteral("short")});

    label.resize(300, 40);
    const QImage shortText = label.grab().toImage();
    label.setText(QStringLiteral("WWWWW"));
    EXPECT_NE(label.grab().toImage(), shortText);
    label.setText(QStringLiteral("short"));
    EXPECT_EQ(label.grab().toImage(), shortText);

    label.setText(url);
    const QStringList small = label.lines(300);
    QFont larger = label.font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    label.setFont(larger);
    EXPECT_LT(label.lines(300).join(QString()).size(), small.join(QString()).size());
    EXPECT_GT(label.sizeHint().width(), QFontMetricsF(label.font()).horizontalAdvance(url) - 1);
}

namespace {
// A row offered a GitHub release whose notes are `count` lines, `line` numbered.
std::shared_ptr<AppItem> rowWithNotes(const QString& line, int count) {
    auto item = makeShared<AppItem>(RowSamples::app());
    Release release = RowSamples::release(SourceKind::github, QStringLiteral("2.0"), true, true);
    QStringList notes;
    for (int i = 0; i < count; ++i)
        notes << line.arg(i);
    release.notes = notes.join(QLatin1Char('\n'));
    item->setRelease(release);
    return item;
}
} // namespace

// An open card's parts take their preferred sizes without laying text out; the height the card
// asks for the width it gets must still hold every wrapped line, with no room to spare.
TEST(AppCard, AnOpenCardSizedForItsWidthHoldsEveryWrappedLineExactly) {
    const QString feed = QStringLiteral("https://example.org/a/rather/long/path/to/the/feed/of/this/application/and/"
                                        "then/some/more/segments/appcast.xml?channel=stable&arch=arm64");
    auto item =
        rowWithNotes(QStringLiteral("- **Fixed** issue %1 where the _sidebar_ lost its place after a long sleep"), 30);
    item->setAttempts({Attempt(SourceKind::sparkle, feed, QStringLiteral("1.3"),
                               Attempt::Outcome::fail(QStringLiteral("The feed answered 404"))),
                       Attempt(SourceKind::github, QStringLiteral("https://example.org/short"), QStringLiteral("2.0"),
                               Attempt::Outcome::pass())});
    item->setStatus(Status::update());

    for (const int width : {620, 840, 1180}) {
        // Sized while hidden, as the list sizes a card built ahead of the view, then shown.
        QWidget host;
        auto* column = new QVBoxLayout(&host);
        column->setContentsMargins(0, 0, 0, 0);
        auto* card = new AppCard(item, nullptr, {}, &host);
        card->setExpanded(true);
        column->addWidget(card);
        ASSERT_TRUE(card->hasHeightForWidth());
        host.resize(width, card->heightForWidth(width));
        host.show();
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        ASSERT_EQ(card->size(), QSize(width, card->heightForWidth(width)));

        QWidget* pane = card->detailPane();
        // The pane's padding below is the same as above: the card is no taller than its pane needs.
        const QRect inCard(pane->mapTo(card, QPoint(0, 0)), pane->size());
        EXPECT_EQ(pane->height(), pane->heightForWidth(pane->width())) << width;
        EXPECT_EQ(card->height() - inCard.bottom() - 1, 18) << width;
        for (QWidget* text : pane->findChildren<QWidget*>()) {
            if (!qobject_cast<ElidedLabel*>(text) && !qobject_cast<NotesLabel*>(text))
                continue;
            const QRect at(text->mapTo(pane, QPoint(0, 0)), text->size());
            EXPECT_TRUE(QRect(QPoint(0, 0), pane->size()).contains(at)) << width;
            EXPECT_GE(text->height(), text->heightForWidth(text->width())) << width;
        }
        const auto* address = [&] {
            for (auto* label : pane->findChildren<ElidedLabel*>())
                if (label->text() == feed)
                    return label;
            return static_cast<ElidedLabel*>(nullptr);
        }();
        ASSERT_TRUE(address);
        EXPECT_EQ(address->lines(address->width()).size(), 2) << width;
    }
}

// Long notes and a long list of sources go in over the turns after the card opens: once they are
// in, every source is listed, the notes read in full and the card holds them.
TEST(AppCard, LongNotesAndManySourcesEndUpShownInFull) {
    auto item =
        rowWithNotes(QStringLiteral("- Fixed issue %1 where the sidebar lost its place after a long sleep"), 200);
    QList<Attempt> attempts;
    for (int i = 0; i < 30; ++i)
        attempts.append(Attempt(SourceKind::sparkle, QStringLiteral("https://example.org/%1/appcast.xml").arg(i),
                                QStringLiteral("1.3"),
                                Attempt::Outcome::fail(QStringLiteral("The feed answered 404"))));
    item->setAttempts(attempts);
    QWidget host;
    auto* card = new AppCard(item, nullptr, {}, &host);
    card->setExpanded(true);
    card->resize(840, card->heightForWidth(840));
    host.show();
    const auto* label = card->findChild<NotesLabel*>();
    ASSERT_TRUE(label);
    const auto rows = [card] { return card->findChildren<AttemptRow*>().size(); };
    const auto holds = [&] { return card->heightForWidth(840) > label->heightForWidth(label->width()); };
    QElapsedTimer waited;
    waited.start();
    while ((label->filling() || rows() < 30 || !holds()) && waited.elapsed() < 10000)
        waitForEvents(10);
    EXPECT_EQ(rows(), 30);
    EXPECT_EQ(label->plainText(), *item->release()->notes);
    EXPECT_TRUE(holds());
}

TEST(UninstallPrompt, ClosesUntilTheRemovalStartsAndRemovesOnlyOnTheConfirmButton) {
    Motion::setInstantForTests(true);
    QWidget window;
    window.resize(880, 640);
    int closes = 0;
    QList<bool> removals;
    UninstallPrompt::Operations operations;
    operations.close = [&] { ++closes; };
    // The removal never returns here, so the prompt stays in its removing state.
    UninstallPrompt prompt(RowSamples::app(), QStringLiteral("/home/u/Library"), operations, &window);
    EXPECT_FALSE(prompt.confirmButton()->isEnabled());
    EXPECT_EQ(prompt.card()->width(), 520);
    EXPECT_EQ(prompt.geometry(), window.rect());
    // The mode picker's label names the control holding both segments, not one of them.
    EXPECT_EQ(prompt.permanentButton()->parentWidget()->accessibleName(), QStringLiteral("How to remove"));

    prompt.cancelButton()->click();
    EXPECT_EQ(closes, 1);
    prompt.showFound({Leftover{QStringLiteral("/home/u/Library/Caches/x"), 10, false}});
    EXPECT_TRUE(prompt.confirmButton()->isEnabled());
    EXPECT_EQ(prompt.confirmButton()->shortcut(), QKeySequence());
    EXPECT_EQ(prompt.findChild<FadedCheckBox*>()->opacity(), 0.6) << "an unticked row's check box is dimmed with it";

    prompt.permanentButton()->click();
    prompt.confirmButton()->click();
    EXPECT_EQ(prompt.confirmButton()->text(), QStringLiteral("Yes, Delete Permanently"));
    prompt.confirmButton()->click();
    EXPECT_TRUE(prompt.choice().working());
    EXPECT_FALSE(prompt.confirmButton()->isEnabled());
    EXPECT_FALSE(prompt.permanentButton()->isEnabled());
    prompt.cancelButton()->click();
    EXPECT_EQ(closes, 1);

    // One on its way out (another row's prompt took its place) neither removes nor closes.
    UninstallPrompt going(RowSamples::app(), QStringLiteral("/home/u/Library"), operations, &window);
    going.showFound({Leftover{QStringLiteral("/home/u/Library/Caches/x"), 10, false}});
    going.leave();
    going.confirmButton()->click();
    going.confirmButton()->click();
    going.cancelButton()->click();
    EXPECT_FALSE(going.choice().working());
    EXPECT_EQ(closes, 1);
    Motion::setInstantForTests(false);

    // It comes in faded and its card scaled from 94 %, and ends whole.
    UninstallPrompt coming(RowSamples::app(), QStringLiteral("/home/u/Library"), operations, &window);
    coming.appear();
    EXPECT_DOUBLE_EQ(coming.cardScale(), 0.94);
    QElapsedTimer waited;
    waited.start();
    while (coming.graphicsEffect() && waited.elapsed() < 5000)
        waitForEvents(20);
    EXPECT_EQ(coming.graphicsEffect(), nullptr);
    EXPECT_EQ(coming.cardScale(), 1);
}

// Deleted while one of its buttons has the focus, the prompt hears nothing of the focus that
// its own going moves (the sanitizers' build reports a call on a half-destroyed prompt).
TEST(UninstallPrompt, GoesWhileHoldingTheFocus) {
    Motion::setInstantForTests(true);
    QWidget window;
    window.resize(880, 640);
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    auto* prompt = new UninstallPrompt(RowSamples::app(), QStringLiteral("/home/u/Library"), {}, &window);
    prompt->show();
    prompt->cancelButton()->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), prompt->cancelButton());
    delete prompt;
    EXPECT_FALSE(QApplication::focusWidget() && QApplication::focusWidget() != &window);
    Motion::setInstantForTests(false);
}

TEST(RowAccessory, ShowsTheNewReasonOrSourceUnderAnUnchangedState) {
    Motion::setInstantForTests(true);
    struct Case {
        const char* rule;
        RowFacts before, after;
        QString tooltip, title;
    };
    const Case cases[] = {
        {"a new reason", RowSamples::row(Status::cantVerify(QStringLiteral("Reason A")), std::nullopt),
         RowSamples::row(Status::cantVerify(QStringLiteral("Reason B")), std::nullopt), QStringLiteral("Reason B"),
         QString()},
        {"another source", RowSamples::row(Status::update(), RowSamples::release(SourceKind::appStore)),
         RowSamples::row(Status::update(), RowSamples::release(SourceKind::sparkle)), QString(),
         QStringLiteral("Update")},
    };
    for (const Case& c : cases) {
        RowAccessory accessory;
        accessory.setRow(c.before);
        const QString key = accessory.stateKey();
        accessory.setRow(c.after);
        EXPECT_EQ(accessory.stateKey(), key) << c.rule;
        EXPECT_EQ(accessory.help(), c.tooltip) << c.rule;
        if (auto* button = qobject_cast<QAbstractButton*>(accessory.content()))
            EXPECT_EQ(button->text(), c.title) << c.rule;
        else
            EXPECT_TRUE(c.title.isEmpty()) << c.rule;
    }
    Motion::setInstantForTests(false);
}

// One update, as its row shows it: one bar runs from the download through the install with its
// label never cut; the pill drops the latest version at once when it becomes the installed one.
TEST(RowAccessory, AnUpdateRunsOnOneWholeBarAndLandsWithoutSayingTheVersionTwice) {
    Motion::setInstantForTests(true);
    struct Step {
        InstallPhase phase;
        const char* key;
        bool bar;
    };
    const Step steps[] = {
        {InstallPhase::queued(), "queued", false},      {InstallPhase::downloading(0.4), "downloading", true},
        {InstallPhase::verifying(), "verifying", true}, {InstallPhase::installing(), "installing", true},
        {InstallPhase::done(), "done", false},
    };
    RowAccessory accessory;
    accessory.setRow(RowSamples::row());
    QPointer<ProgressBar> first;
    for (const Step& step : steps) {
        const RowFacts row = RowSamples::row(Status::update(), RowSamples::release(SourceKind::sparkle), step.phase);
        accessory.setRow(row);
        EXPECT_EQ(accessory.stateKey(), QLatin1String(step.key));
        auto* bar = qobject_cast<ProgressBar*>(accessory.content());
        ASSERT_EQ(bar != nullptr, step.bar) << step.key;
        if (!bar)
            continue;
        if (!first)
            first = bar;
        EXPECT_EQ(bar, first.data()) << step.key << ": a second bar's label would cross the first's";
        const int label = QFontMetrics(bar->font()).horizontalAdvance(RowAccessoryModel::content(row).title);
        EXPECT_GE(bar->sizeHint().width(), 66 + 8 + label) << step.key;
    }

    Motion::setInstantForTests(false);
    VersionPillFace face, alone;
    SpringValue reveal(nullptr, 0, [&](double v) { face.setReveal(v); });
    RowFacts row =
        RowSamples::row(Status::update(), RowSamples::release(SourceKind::sparkle), InstallPhase::installing());
    face.setPill(VersionPillModel::pill(row), reveal, false);
    row.app.version = QStringLiteral("1.3");
    row.phase = InstallPhase::done();
    face.setPill(VersionPillModel::pill(row), reveal, true);
    alone.setPill(VersionPillModel::pill(row), reveal, false);
    EXPECT_EQ(face.size(), alone.size()) << "no \"1.3 → 1.3\" while the latest part leaves";
}

TEST(RowAccessory, ALeavingLabelIsGoneBeforeTheNextOneShows) {
    const Release release = RowSamples::release(SourceKind::sparkle);
    // The bar leaves at once: the row beside it already reads the new copy's version.
    RowAccessory finished;
    finished.setRow(RowSamples::row(Status::update(), release, InstallPhase::installing()));
    auto* bar = finished.findChild<ProgressBar*>();
    finished.setRow(RowSamples::row(Status::update(), release, InstallPhase::done()));
    EXPECT_TRUE(bar->isHidden()) << "\"Installing\" beside the new version";

    RowAccessory accessory;
    accessory.setRow(RowSamples::row(Status::update(), release));
    accessory.setRow(RowSamples::row(Status::update(), release, InstallPhase::done()));
    QPointer<PillButton> button = accessory.findChild<PillButton*>();
    auto* mark = accessory.findChild<DoneMark*>();
    ASSERT_TRUE(button && mark);
    auto shown = [](QWidget* widget) {
        auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget->graphicsEffect());
        return !effect || effect->opacity() > 0;
    };
    QElapsedTimer waited;
    for (waited.start(); button && waited.elapsed() < 3000; QCoreApplication::processEvents())
        ASSERT_FALSE(shown(button) && shown(mark)) << "\"Update\" under \"Updated\"";
    EXPECT_TRUE(button.isNull() && shown(mark));
}

// Update All queues its rows in one turn; each row turns "Queued" 0.06 s after the one above.
TEST(RowAccessory, RowsQueuedTogetherTurnQueuedOneAfterAnother) {
    QCoreApplication::processEvents(); // an earlier turn's rows are counted apart
    FakeClock clock;
    QWidget window;
    std::vector<std::unique_ptr<RowAccessory>> rows;
    for (int i = 0; i < 3; ++i) {
        rows.push_back(std::make_unique<RowAccessory>(&window));
        rows.back()->setRow(RowSamples::row());
    }
    for (const auto& row : rows)
        row->setRow(
            RowSamples::row(Status::update(), RowSamples::release(SourceKind::sparkle), InstallPhase::queued()));
    // The "Update" button a row leaves stays whole until its turn, then fades.
    auto fading = [&](int i) {
        return rows[static_cast<size_t>(i)]->findChild<PillButton*>()->graphicsEffect() != nullptr;
    };
    for (const auto& [advance, started] : {std::pair{0, 1}, {60, 2}, {60, 3}}) {
        clock.advance(std::chrono::milliseconds(advance));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(fading(i), i < started) << "row " << i << " after " << advance << " ms more";
    }
}

TEST(RowMenu, AnAmpersandInANameOrVersionIsShownNotTakenAsAMnemonic) {
    RowFacts row = RowSamples::row(Status::update(), RowSamples::release(SourceKind::sparkle, QStringLiteral("2&3")));
    row.app.name = QStringLiteral("Salt & Pepper");
    QWidget parent;
    QStringList shown;
    QMenu* menu = RowMenu::make(
        row, [](const RowAction&) {}, &parent);
    DetailPane pane;
    pane.setRow(row);
    QList<QAction*> actions = menu->actions();
    for (auto* tool : pane.findChildren<QToolButton*>())
        if (tool->menu())
            actions += tool->menu()->actions();
    for (auto* action : actions) {
        EXPECT_TRUE(QKeySequence::mnemonic(action->text()).isEmpty()) << action->text().toStdString();
        shown.append(QString(action->text()).replace(QStringLiteral("&&"), QStringLiteral("&")));
    }
    for (auto* button : pane.findChildren<QPushButton*>()) {
        EXPECT_TRUE(QKeySequence::mnemonic(button->text()).isEmpty()) << button->text().toStdString();
        shown.append(QString(button->text()).replace(QStringLiteral("&&"), QStringLiteral("&")));
    }
    for (const QString& title :
         {QStringLiteral("Update to \u20682&3\u2069"), QStringLiteral("Skip Version \u20682&3\u2069"),
          QStringLiteral("Ignore \u2068Salt & Pepper\u2069")})
        EXPECT_GE(shown.count(title), 2) << title.toStdString(); // the row menu and the pane
}

namespace {
void key(QWidget* target, int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, code, modifiers);
    QApplication::sendEvent(target, &down);
}

void drag(QWidget* target, QPointF from, QPointF to) {
    QMouseEvent press(QEvent::MouseButtonPress, from, target->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent move(QEvent::MouseMove, to, target->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, target->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

// The pane showing `row`, laid out in a shown window.
void showIn(QWidget& window, DetailPane& pane, const RowFacts& row) {
    window.resize(900, 700);
    pane.setRow(row);
    pane.resize(900, 700);
    window.show();
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}
} // namespace

TEST(DetailPane, ValuesNotesAndAttemptAddressesAreSelectedAndCopiedByMouseAndKeyboard) {
    const QString feed = QStringLiteral("https://example.org/a/rather/long/path/to/the/feed/of/this/application/and/"
                                        "then/some/more/segments/appcast.xml?channel=stable&arch=arm64");
    RowFacts row = RowSamples::row();
    row.release->notes = QStringLiteral("Faster start.\nFixes a crash on quit.");
    row.attempts = {Attempt(SourceKind::sparkle, feed, QStringLiteral("1.3"), Attempt::Outcome::pass())};
    QWidget window;
    DetailPane pane(&window);
    showIn(window, pane, row);

    auto labelOf = [&pane](const QString& text) -> QWidget* {
        for (auto* label : pane.findChildren<ElidedLabel*>())
            if (label->text() == text)
                return label;
        return nullptr;
    };
    auto copied = [] { return QGuiApplication::clipboard()->text(); };
    QWidget* notes = pane.findChild<NotesLabel*>();
    ASSERT_TRUE(notes);
    ASSERT_TRUE(labelOf(feed));
    EXPECT_TRUE(static_cast<ElidedLabel*>(labelOf(feed))->elided());
    struct Case {
        QWidget* target;
        QString whole;
    };
    const Case cases[] = {
        {labelOf(QStringLiteral("ABCDE12345")), QStringLiteral("ABCDE12345")},
        {labelOf(QStringLiteral("/Applications")), QStringLiteral("/Applications")},
        {labelOf(feed), feed}, // drawn cut in the middle, copied whole
        {notes, QStringLiteral("Faster start.\nFixes a crash on quit.")},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.target) << c.whole.toStdString();
        QGuiApplication::clipboard()->clear();
        // The mouse: a drag from the first character past the last one, then the copy key.
        drag(c.target, QPointF(0, 2), QPointF(c.target->width() - 1, c.target->height() - 2));
        key(c.target, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(copied(), c.whole);
        // The keyboard: the cursor to the start, one character selected, then everything.
        c.target->setFocus();
        key(c.target, Qt::Key_Home);
        key(c.target, Qt::Key_Right, Qt::ShiftModifier);
        key(c.target, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(copied(), c.whole.left(1));
        key(c.target, Qt::Key_A, Qt::ControlModifier);
        key(c.target, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(copied(), c.whole);
    }
}

// The pane draws its status, its attempts and its notes itself: a link in the notes still opens
// on a click, and a change of appearance reaches what is drawn without the pane being built again.
TEST(DetailPane, NotesLinksOpenOnAClickAndDrawnPartsTakeANewAppearance) {
    Palette::setDark(true);
    RowFacts row = RowSamples::row(Status::update(), RowSamples::release(SourceKind::github));
    row.release->notes = QStringLiteral("See [the announcement](https://example.org/blog) for details");
    row.attempts = {Attempt(SourceKind::sparkle, QStringLiteral("https://example.org/appcast.xml"),
                            QStringLiteral("1.3"), Attempt::Outcome::fail(QStringLiteral("The feed answered 404")))};
    QWidget window;
    DetailPane pane(&window);
    showIn(window, pane, row);
    QList<QUrl> opened;
    QObject::connect(&pane, &DetailPane::linkActivated, [&opened](const QUrl& url) { opened.append(url); });

    auto* notes = pane.findChild<NotesLabel*>();
    ASSERT_TRUE(notes);
    const int middle = notes->fontMetrics().height() / 2;
    int link = -1;
    for (int x = 0; x < notes->width() && link < 0; ++x) {
        QMouseEvent move(QEvent::MouseMove, QPointF(x, middle), notes->mapToGlobal(QPointF(x, middle)), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(notes, &move);
        if (notes->cursor().shape() == Qt::PointingHandCursor)
            link = x + 2;
    }
    ASSERT_GE(link, 0);
    drag(notes, QPointF(0, middle), QPointF(link, middle)); // a drag selects, opening nothing
    EXPECT_TRUE(opened.isEmpty());
    drag(notes, QPointF(link, middle), QPointF(link, middle));
    EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://example.org/blog"))});

    QWidget* attempt = pane.findChild<AttemptRow*>();
    QWidget* status = pane.findChild<StatusCard*>();
    ASSERT_TRUE(attempt && status);
    const auto drawn = [&] {
        return QList<QImage>{attempt->grab().toImage(), status->grab().toImage(), notes->grab().toImage()};
    };
    const auto holds = [](const QImage& image, const QColor& colour) {
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y).rgb() == colour.rgb())
                    return true;
        return false;
    };
    const QList<QImage> dark = drawn();
    EXPECT_TRUE(holds(dark[2], Palette::dark().accent())); // the link's underline
    Palette::setDark(false);
    const QList<QImage> light = drawn();
    Palette::setDark(true);
    for (int part = 0; part < 3; ++part)
        EXPECT_NE(dark[part], light[part]) << part;
    EXPECT_TRUE(holds(light[2], Palette::light().accent()));
    EXPECT_FALSE(holds(light[2], Palette::dark().accent()));
}
