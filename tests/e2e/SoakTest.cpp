#include "Accessibility.h"
#include "DemoQuenlark.h"
#include "Desktop.h"
#include "DemoSandbox.h"
#include "TestEnvironment.h"

#include "app/Commands.h"
#include "app/MainWindow.h"
#include "onboarding/Tour.h"
#include "onboarding/TourLayout.h"
#include "views/dashboard/FilterChipModel.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>

#include <algorithm>
#include <iostream>
#include <random>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// QUENLARK_SOAK_SEED replays a walk; QUENLARK_SOAK_SECONDS and QUENLARK_SOAK_STEPS bound it.
quint64 seedToUse() {
    bool number = false;
    const quint64 given = qEnvironmentVariable("QUENLARK_SOAK_SEED").toULongLong(&number);
    return number ? given : std::random_device{}();
}

int bound(const char* name, int otherwise) {
    bool number = false;
    const int given = qEnvironmentVariableIntValue(name, &number);
    return number && given > 0 ? given : otherwise;
}

// What the application may never say: a sanitizer's report, a failed assertion, and Qt's
// warnings about an object used after it went, a call made once too often, or a widget drawn
// with a painter already taken (an effect inside another effect, which then draws nothing).
const QRegularExpression fault(
    uR"(AddressSanitizer|UndefinedBehaviorSanitizer|runtime error:|ASSERT|was deleted|deleted while|)"
    uR"(destroyed while|invalid nullptr parameter|must only be called once|called (twice|more than once)|)"
    uR"(already running|Recursive repaint|painted by one painter at a time)"_s);

QStringList faults(const QByteArray& output) {
    QStringList lines;
    for (const QByteArray& line : output.split('\n'))
        if (fault.match(QString::fromUtf8(line)).hasMatch())
            lines.append(QString::fromUtf8(line));
    return lines;
}

// The roles a person clicks; custom controls that take the focus count too, and so do drawn
// ones: cards (named by their app) and small pieces such as pills and chevrons.
bool clickable(const Accessibility::Object& object) {
    static const QStringList roles{u"push button"_s, u"toggle button"_s, u"check box"_s,  u"radio button"_s,
                                   u"page tab"_s,    u"combo box"_s,     u"text"_s,       u"entry"_s,
                                   u"link"_s,        u"list item"_s,     u"menu item"_s,  u"slider"_s,
                                   u"spin button"_s, u"table cell"_s,    u"tree item"_s,  u"icon"_s};
    const bool drawn = object.role == u"filler"_s &&
                       (!object.name.isEmpty() || (object.box.width() <= 250 && object.box.height() <= 70));
    // Quitting is the walk's last step, never one in the middle.
    return object.depth > 0 && !object.box.isEmpty() && !object.name.startsWith(u"Quit Quenlark"_s) &&
           (object.focusable || drawn || roles.contains(object.role));
}

bool isChip(const Accessibility::Object& object) {
    static const QRegularExpression label = [] {
        QStringList titles;
        for (const FilterChipModel::Chip& chip : FilterChipModel::chips())
            titles.append(QRegularExpression::escape(chip.title));
        return QRegularExpression(u"^("_s + titles.join(u'|') + u"), "_s);
    }();
    return label.match(object.name).hasMatch();
}

// The menu bar's menus as the application builds them: their titles and their items' titles.
const QList<Commands::Menu>& menus() {
    static const QList<Commands::Menu> all = Commands::menus({});
    return all;
}

// A card drawn over a window with controls of its own, which the rest of the window cannot be
// reached past: the tour's card.
bool isCard(const Accessibility::Object& object) {
    // "Tour, step": the words every step's card is named by.
    static const QString tour = TourLayout::cardName(Tour::steps().first(), 0).section(u' ', 0, 1);
    return object.name.startsWith(tour);
}

// The walk: every step one piece of real input through the X server, chosen by the seed among
// what is on screen at that moment.
class Walk {
    enum Move { click, chip, key, type, clickInWindow, rightClick, doubleClick, close, reopen, scroll, menu, card };

public:
    Walk(DemoQuenlark& quenlark, Accessibility& accessibility, quint64 seed)
        : quenlark_(quenlark), accessibility_(accessibility), random_(seed) {}

    // One move; whether the walk can go on (a window that would not come back ends it).
    bool step(int number) {
        const QList<Accessibility::Object> screen = accessibility_.showing(quenlark_.pid());
        QList<Accessibility::Object> controls, chips, windows, fields, bar, onCard;
        QList<QRect> cards;
        for (const auto& object : screen)
            if (isCard(object))
                cards.append(object.box);
        for (const auto& object : screen) {
            if (object.depth == 0 && !object.box.isEmpty())
                windows.append(object);
            if (object.role == u"menu item"_s && menuNamed(object.name))
                bar.append(object);
            if (!clickable(object))
                continue;
            controls.append(object);
            if (isChip(object))
                chips.append(object);
            if (object.role == u"text"_s || object.role == u"entry"_s)
                fields.append(object);
            if (!isCard(object) &&
                std::any_of(cards.begin(), cards.end(), [&](const QRect& box) { return box.contains(object.box); }))
                onCard.append(object);
        }
        // How often each move is chosen, in the order of Move; without its window, half the steps
        // try to bring it back.
        const bool windowShown = Desktop::waitForWindow(MainWindow::title, 0ms).has_value();
        const Move move =
            !windowShown && between(0, 1) ? reopen : Move(pick({30, 16, 16, 7, 8, 4, 3, 3, 4, 3, 6, 12}));
        std::string done;
        switch (move) {
        case click:
            done = clickOn(controls, 1);
            break;
        case chip:
            done = clickOn(chips, 1);
            break;
        case key:
            done = press();
            break;
        case type:
            done = typeInto(fields);
            break;
        case clickInWindow:
            done = clickInside(windows);
            break;
        case rightClick:
            done = clickOn(controls, 3);
            break;
        case doubleClick:
            done = clickOn(controls, 1, 2);
            break;
        case close:
            done = closeWindow();
            break;
        case reopen:
            done = openAgain();
            break;
        case scroll:
            done = scrollIn(windows);
            break;
        case menu:
            done = fromMenu(bar);
            break;
        case card:
            done = clickOn(onCard, 1);
            break;
        }
        // A move with nothing to act on gives way to a key.
        if (done.empty())
            done = press();
        std::cout << "step " << number << ": " << done << std::endl;
        // People are quick, and quick input is what catches an animation still running.
        Desktop::waitUntil([] { return false; }, std::chrono::milliseconds(between(20, 350)));
        return notBack_ == 0;
    }

    // Escape closes what is open, the window comes forward and Quit ends the process. Whether
    // there was a window to quit from.
    bool quit() {
        xdotool({u"key"_s, u"Escape"_s});
        xdotool({u"key"_s, u"Escape"_s});
        std::cout << "quit: " << openAgain() << std::endl;
        const auto window = Desktop::waitForWindow(MainWindow::title, 1s);
        if (!window)
            return false;
        Desktop::activate(*window);
        std::cout << "quit: ctrl+q" << std::endl;
        Desktop::press(u"ctrl+q"_s);
        return true;
    }

    // How often a second launch left the main window closed.
    int windowsNotBack() const { return notBack_; }

private:
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    int pick(std::initializer_list<double> weights) { return std::discrete_distribution<int>(weights)(random_); }

    template <typename T> const T& any(const QList<T>& list) { return list[between(0, int(list.size()) - 1)]; }

    static std::string described(const Accessibility::Object& object) {
        return (object.role + u" \""_s + object.name + u'"').toStdString();
    }

    bool xdotool(const QStringList& arguments) { return Desktop::run(u"xdotool"_s, arguments).has_value(); }

    std::string clickAt(const QPoint& point, int button, int times) {
        xdotool({u"mousemove"_s, QString::number(point.x()), QString::number(point.y()), u"click"_s, u"--repeat"_s,
                 QString::number(times), QString::number(button)});
        return " at " + std::to_string(point.x()) + "," + std::to_string(point.y());
    }

    std::string clickOn(const QList<Accessibility::Object>& among, int button, int times = 1) {
        if (among.isEmpty())
            return {};
        const Accessibility::Object& target = any(among);
        const QRect box = target.box;
        const QPoint point(box.left() + between(box.width() / 4, box.width() * 3 / 4),
                           box.top() + between(box.height() / 4, box.height() * 3 / 4));
        const char* how = button == 3 ? "right-click " : times == 2 ? "double-click " : "click ";
        return how + described(target) + clickAt(point, button, times);
    }

    std::string clickInside(const QList<Accessibility::Object>& windows) {
        if (windows.isEmpty())
            return {};
        const QRect box = any(windows).box;
        return "click in a window" + clickAt({between(box.left(), box.right()), between(box.top(), box.bottom())}, 1, 1);
    }

    std::string scrollIn(const QList<Accessibility::Object>& windows) {
        if (windows.isEmpty())
            return {};
        const QRect box = any(windows).box;
        const int button = between(4, 5);
        return std::string(button == 4 ? "scroll up" : "scroll down") +
               clickAt({between(box.left(), box.right()), between(box.top(), box.bottom())}, button, between(1, 6));
    }

    static const Commands::Menu* menuNamed(const QString& title) {
        for (const Commands::Menu& menu : menus())
            if (menu.title == title)
                return &menu;
        return nullptr;
    }

    // A menu of the bar opened with a click and one of its items chosen, as a person goes to a
    // command no key or button reaches (the tour, the welcome window).
    std::string fromMenu(const QList<Accessibility::Object>& bar) {
        if (bar.isEmpty())
            return {};
        const Accessibility::Object title = any(bar);
        const std::string done = clickOn({title}, 1);
        const Commands::Menu* opened = menuNamed(title.name);
        QList<Accessibility::Object> items;
        Desktop::waitUntil([&] {
            items.clear();
            for (const auto& object : accessibility_.showing(quenlark_.pid()))
                if (object.role == u"menu item"_s && clickable(object) &&
                    std::any_of(opened->items.begin(), opened->items.end(),
                                [&](const Commands::Item& item) { return item.title == object.name; }))
                    items.append(object);
            return !items.isEmpty();
        }, 2s);
        if (items.isEmpty())
            return done + ", the menu did not open";
        return done + ", " + clickOn(items, 1);
    }

    std::string press() {
        // The list's keys, the prompts' and the tour's keys and the window's shortcuts (check,
        // update all, uninstall, search, settings).
        static const QStringList chords{u"Up"_s,        u"Down"_s,           u"Left"_s,      u"Right"_s,
                                        u"Page_Down"_s, u"Home"_s,           u"End"_s,       u"Return"_s,
                                        u"space"_s,     u"Escape"_s,         u"Tab"_s,       u"shift+Tab"_s,
                                        u"BackSpace"_s, u"ctrl+BackSpace"_s, u"ctrl+r"_s,    u"ctrl+f"_s,
                                        u"ctrl+shift+u"_s, u"ctrl+comma"_s};
        const QString chord = any(chords);
        xdotool({u"key"_s, u"--clearmodifiers"_s, chord});
        return "key " + chord.toStdString();
    }

    std::string typeInto(const QList<Accessibility::Object>& fields) {
        if (fields.isEmpty())
            return {};
        std::string done = clickOn(fields, 1);
        // Names of the samples, their beginnings and letters that match nothing.
        QString word = any(DemoSandbox::sampleNames() + QStringList{u"zq"_s, u"e"_s, u"x1"_s});
        word.truncate(between(1, int(word.size())));
        if (between(0, 2) == 0)
            xdotool({u"key"_s, u"ctrl+a"_s, u"BackSpace"_s});
        xdotool({u"type"_s, u"--delay"_s, QString::number(between(5, 60)), word});
        return done + ", type \"" + word.toStdString() + '"';
    }

    std::string closeWindow() {
        const auto window = Desktop::waitForWindow(MainWindow::title, 0ms);
        if (!window)
            return {};
        // The window manager's close, as the title bar's button gives.
        Desktop::run(u"wmctrl"_s, {u"-i"_s, u"-c"_s, QString::number(*window)});
        return "close the window";
    }

    // A second launch of the running bundle brings its window back.
    std::string openAgain() {
        if (!quenlark_.launchAgain(30s))
            return "open again: the second launch did not end";
        if (!Desktop::waitForWindow(MainWindow::title, 5s)) {
            ++notBack_;
            return "open again: the window did not come back";
        }
        return "open again";
    }

    DemoQuenlark& quenlark_;
    Accessibility& accessibility_;
    std::mt19937_64 random_;
    int notBack_ = 0;
};

} // namespace

// A seeded random walk of a person's input over the demo's windows: clicks on whatever shows,
// filter chips, keys, search typing, cards, the menu bar's commands, the tour's card, the
// settings' tabs, closing and reopening the window, checking, updating and uninstalling, for a
// bounded time; then Quit. The application must never crash, never say a sanitizer's report or
// one of Qt's warnings about a deleted object or a repeated call, bring its closed window back
// when started again, and end on Quit.
TEST(Soak, ARandomWalkOfRealInputEndsOnQuitWithoutAFault) {
    const quint64 seed = seedToUse();
    const int seconds = bound("QUENLARK_SOAK_SECONDS", 60);
    const int steps = bound("QUENLARK_SOAK_STEPS", 1000);
    std::cout << "soak seed " << seed << " (replay with QUENLARK_SOAK_SEED=" << seed << "), " << seconds
              << " s, at most " << steps << " steps" << std::endl;

    // A compositor, so that closing the window folds it into the island as on a person's desktop.
    QProcess compositor;
    compositor.start(u"xcompmgr"_s, QStringList());
    DemoSandbox demo(TestEnvironment::root() + u"/demo"_s);
    ASSERT_NO_THROW(demo.make(QStringLiteral(QUENLARK_BUNDLE)));
    QProcessEnvironment exposed;
    exposed.insert(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_s, u"1"_s);
    DemoQuenlark quenlark(demo, exposed);
    ASSERT_TRUE(Desktop::waitForWindow(MainWindow::title, 60s)) << quenlark.text();
    auto accessibility = Accessibility::connect(20s);
    ASSERT_TRUE(accessibility) << "the accessibility bus did not answer";

    Walk walk(quenlark, *accessibility, seed);
    QElapsedTimer clock;
    clock.start();
    int taken = 0;
    bool going = true;
    while (going && taken < steps && clock.elapsed() < seconds * 1000 && quenlark.running())
        going = walk.step(++taken);
    std::cout << taken << " steps in " << clock.elapsed() / 1000 << " s" << std::endl;

    // A clean end during the walk is a Quit it found in a menu; a crash fails below.
    bool quitFromWindow = true;
    if (quenlark.running())
        quitFromWindow = walk.quit();
    else
        std::cout << "the application ended during step " << taken << std::endl;
    const bool ended = quitFromWindow && quenlark.waitForEnd(30s);
    const QStringList said = faults(quenlark.output());
    EXPECT_EQ(walk.windowsNotBack(), 0) << "a second launch left the closed window closed (seed " << seed << ")";
    EXPECT_TRUE(quitFromWindow) << "no window to quit from (seed " << seed << ")";
    EXPECT_TRUE(ended || !quitFromWindow) << "Quit did not end the application within 30 s (seed " << seed << ")";
    if (ended && quenlark.crashed()) {
        ADD_FAILURE() << "the application crashed, signal " << quenlark.exitCode() << " (seed " << seed << ")";
    } else if (ended) {
        EXPECT_EQ(quenlark.exitCode(), 0) << "seed " << seed;
    }
    EXPECT_TRUE(said.isEmpty()) << said.join(u'\n').toStdString() << "\n(seed " << seed << ")";
    if (HasFailure())
        std::cout << "The application's output:\n" << quenlark.text() << std::endl;
    compositor.terminate();
    compositor.waitForFinished(5000);
}
