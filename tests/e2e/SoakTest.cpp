#include "DemoLaunch.h"
#include "DemoLibrary.h"
#include "Desktop.h"
#include "SoakAccount.h"

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
#include <functional>
#include <iostream>
#include <optional>
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
const QRegularExpression
    fault(uR"(AddressSanitizer|UndefinedBehaviorSanitizer|runtime error:|ASSERT|was deleted|deleted while|)"
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
    static const QStringList roles{u"push button"_s, u"toggle button"_s, u"check box"_s, u"radio button"_s,
                                   u"page tab"_s,    u"combo box"_s,     u"text"_s,      u"entry"_s,
                                   u"link"_s,        u"list item"_s,     u"menu item"_s, u"slider"_s,
                                   u"spin button"_s, u"table cell"_s,    u"tree item"_s, u"icon"_s};
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

// The buttons that answer a question asked over a window, which holds the rest of the window
// back until it is answered: the library's consent and removal cards, the account deletion's
// confirmation, the wait for the browser.
bool answers(const Accessibility::Object& object) {
    static const QStringList names{u"Skip This App"_s, u"Continue…"_s, u"Cancel"_s, u"Remove"_s,
                                   u"Delete Library and Account"_s};
    return object.role == u"push button"_s && names.contains(object.name);
}

// What the screen tells of the account: the signed-in library's account menu and the settings'
// Account tab name its address; the library's sign-in form has its terms box, the settings'
// Account tab its "Sign In…".
bool showsSignedIn(const QList<Accessibility::Object>& screen) {
    return std::any_of(screen.begin(), screen.end(),
                       [](const Accessibility::Object& object) { return object.name == DemoLibrary::email; });
}

bool showsSignedInLibrary(const QList<Accessibility::Object>& screen) {
    return std::any_of(screen.begin(), screen.end(), [](const Accessibility::Object& object) {
        return object.name == DemoLibrary::email && object.role == u"button menu"_s;
    });
}

bool isLibraryChip(const Accessibility::Object& object) { return object.name.startsWith(u"Library, "_s); }

// Whether `object` is one of the signed-in library's controls: in its window, from its tabs
// ("Show") across to its account menu and down to the window's foot.
class LibraryArea {
public:
    explicit LibraryArea(const QList<Accessibility::Object>& screen) {
        std::optional<Accessibility::Object> tabs, menu;
        for (const auto& object : screen) {
            if (object.name == u"Show"_s && !tabs)
                tabs = object;
            if (object.name == DemoLibrary::email && object.role == u"button menu"_s)
                menu = object;
        }
        if (!tabs || !menu || tabs->window != menu->window)
            return;
        window_ = menu->window;
        for (const auto& object : screen)
            if (object.depth == 0 && object.window == window_)
                box_ = QRect(tabs->box.topLeft(), QPoint(menu->box.right(), object.box.bottom()));
    }
    bool holds(const Accessibility::Object& object) const {
        return object.window == window_ && box_.contains(object.box.center());
    }

private:
    QRect box_;
    int window_ = -1;
};

const QString& termsBox() {
    static const QString name = u"I agree to the Terms of Service and Privacy Policy"_s;
    return name;
}

bool showsSignedOut(const QList<Accessibility::Object>& screen) {
    return std::any_of(screen.begin(), screen.end(), [](const Accessibility::Object& object) {
        return object.name == termsBox() || object.name == u"Sign In…"_s;
    });
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
// what is on screen at that moment. With an account beside it, it signs in through the library's
// form at a seeded moment of its first quarter, and again a while after it signed out or deleted
// the account, so that most of it goes over the signed-in controls.
class Walk {
    enum Move {
        click,
        chip,
        key,
        type,
        clickInWindow,
        rightClick,
        doubleClick,
        close,
        reopen,
        scroll,
        menu,
        card,
        library
    };

public:
    Walk(DemoQuenlark& quenlark, const Accessibility& accessibility, quint64 seed, const SoakAccount* account,
         int seconds)
        : quenlark_(quenlark), accessibility_(accessibility), random_(seed), account_(account) {
        clock_.start();
        // Alone, the walk draws the same moves from a seed as it always did.
        if (account_)
            signInAt_ = between(seconds * 100, seconds * 250);
    }

    // One move; whether the walk can go on (a window that would not come back ends it).
    bool step(int number) {
        const QList<Accessibility::Object> screen = accessibility_.showing(quenlark_.pid());
        if (showsSignedIn(screen)) {
            ++tally_.signedInSteps;
            tally_.libraryInSteps += showsSignedInLibrary(screen);
            signedIn_ = true;
        } else if (showsSignedOut(screen)) {
            ++tally_.signedOutSteps;
            if (signedIn_) {
                signedIn_ = false;
                signInAt_ = clock_.elapsed() + between(2000, 10000);
                std::cout << "step " << number << ": signed out" << std::endl;
            }
        }
        if (account_ && !signedIn_ && clock_.elapsed() >= signInAt_) {
            std::cout << "step " << number << ": " << signIn() << std::endl;
            return notBack_ == 0;
        }
        QList<Accessibility::Object> controls, chips, windows, fields, bar, onCard, inLibrary;
        QList<QRect> cards;
        const LibraryArea area(account_ ? screen : QList<Accessibility::Object>());
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
            if (answers(object) || (!isCard(object) && std::any_of(cards.begin(), cards.end(), [&](const QRect& box) {
                    return box.contains(object.box);
                })))
                onCard.append(object);
            // The signed-in library's controls.
            if (area.holds(object))
                inLibrary.append(object);
        }
        // How often each move is chosen, in the order of Move; without its window, half the steps
        // try to bring it back.
        const bool windowShown = Desktop::waitForWindow(MainWindow::title, 0ms).has_value();
        // Beside an account, the signed-in library, when it shows, gets a third of the moves.
        const Move move = !windowShown && between(0, 1) ? reopen
                          : inLibrary.isEmpty()         ? Move(pick({30, 16, 16, 7, 8, 4, 3, 3, 4, 3, 6, 12}))
                                                        : Move(pick({30, 16, 16, 7, 8, 4, 3, 3, 4, 3, 6, 12, 60}));
        std::string done;
        switch (move) {
        case click:
            done = clickOn(controls, 1);
            break;
        case chip:
            // Signed in, half the chips chosen are the library's, so that its controls get their
            // share of the walk.
            if (account_ && signedIn_ && between(0, 1) == 0) {
                const auto library = std::find_if(chips.begin(), chips.end(), isLibraryChip);
                if (library != chips.end()) {
                    done = clickOn({*library}, 1);
                    break;
                }
            }
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
        case library:
            ++tally_.libraryClicks;
            done = inLibraryClick(inLibrary);
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
    // What the walk did with the account.
    struct AccountSteps {
        int signInTries = 0;
        int signIns = 0;        // through the library's form
        int signedInSteps = 0;  // steps that saw the account signed in
        int libraryInSteps = 0; // of them, steps on the signed-in library
        int libraryClicks = 0;
        int signedOutSteps = 0; // steps on a sign-in form
    };
    const AccountSteps& accountSteps() const { return tally_; }

private:
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    int pick(std::initializer_list<double> weights) { return std::discrete_distribution<int>(weights)(random_); }

    template <typename T>
    const T& any(const QList<T>& list) {
        return list[between(0, int(list.size()) - 1)];
    }

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
        return "click in a window" +
               clickAt({between(box.left(), box.right()), between(box.top(), box.bottom())}, 1, 1);
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
        Desktop::waitUntil(
            [&] {
                items.clear();
                for (const auto& object : accessibility_.showing(quenlark_.pid()))
                    if (object.role == u"menu item"_s && clickable(object) &&
                        std::any_of(opened->items.begin(), opened->items.end(),
                                    [&](const Commands::Item& item) { return item.title == object.name; }))
                        items.append(object);
                return !items.isEmpty();
            },
            2s);
        if (items.isEmpty())
            return done + ", the menu did not open";
        return done + ", " + clickOn(items, 1);
    }

    std::string press() {
        // The list's keys, the prompts' and the tour's keys and the window's shortcuts (check,
        // update all, uninstall, search, settings).
        static const QStringList chords{
            u"Up"_s,        u"Down"_s,           u"Left"_s,   u"Right"_s,  u"Page_Down"_s,    u"Home"_s,
            u"End"_s,       u"Return"_s,         u"space"_s,  u"Escape"_s, u"Tab"_s,          u"shift+Tab"_s,
            u"BackSpace"_s, u"ctrl+BackSpace"_s, u"ctrl+r"_s, u"ctrl+f"_s, u"ctrl+shift+u"_s, u"ctrl+comma"_s};
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

    // A second launch of the running bundle brings its window back. The window may grow out of
    // the island first, which under the sanitizers on a busy machine takes seconds.
    std::string openAgain() {
        if (!quenlark_.launchAgain(30s))
            return "open again: the second launch did not end";
        if (!Desktop::waitForWindow(MainWindow::title, 15s)) {
            ++notBack_;
            return "open again: the window did not come back";
        }
        return "open again";
    }

    // A click (a fifth of them with the right button) on one of the signed-in library's controls:
    // mostly its buttons, boxes and menus rather than what is drawn. Its window comes forward
    // first, as a person's click brings it.
    std::string inLibraryClick(const QList<Accessibility::Object>& controls) {
        QList<Accessibility::Object> buttons;
        for (const auto& object : controls)
            if (object.role != u"filler"_s)
                buttons.append(object);
        const Accessibility::Object& target = !buttons.isEmpty() && between(0, 2) > 0 ? any(buttons) : any(controls);
        if (const auto window = Desktop::waitForWindow(MainWindow::title, 0ms))
            Desktop::activate(*window);
        const int button = between(0, 4) == 0 ? 3 : 1;
        std::string done = clickOn({target}, button);
        if (target.role != u"button menu"_s && button != 3)
            return done;
        // The menu it opened, which the accessibility bus doesn't show: three times in four one of
        // its items is chosen there and then with the keys.
        if (between(0, 3) == 0)
            return done;
        Desktop::waitUntil([] { return false; }, 200ms);
        const int downs = between(1, 4);
        for (int i = 0; i < downs; ++i)
            xdotool({u"key"_s, u"Down"_s});
        xdotool({u"key"_s, u"Return"_s});
        return done + ", " + std::to_string(downs) + " x Down, Return";
    }

    // The objects showing that `wanted` picks, once there are any within `limit`, top first.
    // What `wanted` takes in the main window: the welcome and settings windows the walk left
    // open have a Sign In button of their own.
    QList<Accessibility::Object> waitFor(const std::function<bool(const Accessibility::Object&)>& wanted,
                                         std::chrono::milliseconds limit) {
        QList<Accessibility::Object> found;
        Desktop::waitUntil(
            [&] {
                found.clear();
                const QList<Accessibility::Object> showing = accessibility_.showing(quenlark_.pid());
                std::optional<int> main;
                for (const auto& object : showing)
                    if (object.depth == 0 && object.name == MainWindow::title)
                        main = object.window;
                for (const auto& object : showing)
                    if (object.window == main && object.depth > 0 && !object.box.isEmpty() && wanted(object))
                        found.append(object);
                return !found.isEmpty();
            },
            limit);
        std::sort(found.begin(), found.end(),
                  [](const auto& one, const auto& other) { return one.box.top() < other.box.top(); });
        return found;
    }

    QList<Accessibility::Object> waitFor(const QString& name, std::chrono::milliseconds limit) {
        return waitFor([&](const Accessibility::Object& object) { return object.name == name; }, limit);
    }

    void clickMiddle(const Accessibility::Object& object) { clickAt(object.box.center(), 1, 1); }

    // Replaces what a field holds, as a person selecting it all and typing over it.
    bool fill(const QString& field, const QString& text) {
        const auto found = waitFor(field, 5s);
        if (found.isEmpty())
            return false;
        clickMiddle(found.first());
        xdotool({u"key"_s, u"--clearmodifiers"_s, u"ctrl+a"_s, u"BackSpace"_s});
        return xdotool({u"type"_s, u"--delay"_s, u"10"_s, text});
    }

    // The names of what shows in the window, for a step that did not come through.
    std::string shownText() {
        QStringList names;
        for (const auto& object : accessibility_.showing(quenlark_.pid()))
            if (object.depth > 0 && !object.name.isEmpty() && object.role != u"menu item"_s)
                names.append(object.role + u" \""_s + object.name + u'"');
        return names.join(u", "_s).left(1500).toStdString();
    }

    // The demo account signed in to as a person does: whatever is open closed, the window
    // forward, the library filter chosen and its form filled in and sent.
    std::string signIn() {
        // Retried a while later unless it comes through.
        ++tally_.signInTries;
        signInAt_ = clock_.elapsed() + 5000;
        if (!account_->ensure())
            return "sign in: the demo account could not be made on the emulators";
        xdotool({u"key"_s, u"Escape"_s});
        xdotool({u"key"_s, u"Escape"_s});
        if (!Desktop::waitForWindow(MainWindow::title, 0ms))
            openAgain();
        const auto window = Desktop::waitForWindow(MainWindow::title, 1s);
        if (!window)
            return "sign in: no window";
        Desktop::activate(*window);
        const auto chip = waitFor(isLibraryChip, 5s);
        if (chip.isEmpty())
            return "sign in: no library filter";
        clickMiddle(chip.first());
        const auto form = waitFor(
            [](const Accessibility::Object& object) {
                return object.name == termsBox() || object.name == DemoLibrary::email;
            },
            10s);
        if (form.isEmpty())
            return "sign in: the library showed neither its form nor its account";
        if (form.first().name == DemoLibrary::email) {
            signedIn_ = true;
            return "sign in: signed in already";
        }
        // The form's mode switch above, its button below.
        const auto modes = waitFor(u"Sign In"_s, 2s);
        if (!modes.isEmpty())
            clickMiddle(modes.first());
        if (!form.first().checked)
            clickMiddle(form.first());
        if (!fill(u"Email"_s, DemoLibrary::email) || !fill(u"Password"_s, DemoLibrary::password))
            return "sign in: the form's fields did not show";
        const auto send = waitFor(
            [](const Accessibility::Object& object) {
                return object.name == u"Sign In"_s && object.role == u"push button"_s;
            },
            5s);
        if (send.isEmpty())
            return "sign in: no Sign In button";
        clickMiddle(send.last());
        if (waitFor(DemoLibrary::email, 30s).isEmpty())
            return "sign in: the library did not come up signed in; it showed " + shownText();
        signedIn_ = true;
        ++tally_.signIns;
        return "sign in as " + DemoLibrary::email.toStdString() + " through the library's form";
    }

    DemoQuenlark& quenlark_;
    const Accessibility& accessibility_;
    std::mt19937_64 random_;
    const SoakAccount* account_;
    QElapsedTimer clock_;
    qint64 signInAt_ = 0;
    bool signedIn_ = false;
    AccountSteps tally_;
    int notBack_ = 0;
};

} // namespace

// A seeded random walk of a person's input over the demo's windows: clicks on whatever shows,
// filter chips, keys, search typing, cards, the menu bar's commands, the tour's card, the
// settings' tabs, closing and reopening the window, checking, updating and uninstalling, for a
// bounded time; then Quit. Beside the Authentication and Firestore emulators it signs in to the
// demo's account through the library's form on the way and walks the signed-in library too: its
// tabs, Mac picker, account menu, rows, Install All and the prompts they raise, the settings'
// Account tab. The application must never crash, never say a sanitizer's report or one of Qt's
// warnings about a deleted object or a repeated call, bring its closed window back when started
// again, and end on Quit.
TEST(Soak, ARandomWalkOfRealInputEndsOnQuitWithoutAFault) {
    const quint64 seed = seedToUse();
    const int seconds = bound("QUENLARK_SOAK_SECONDS", 60);
    const int steps = bound("QUENLARK_SOAK_STEPS", 1000);
    std::cout << "soak seed " << seed << " (replay with QUENLARK_SOAK_SEED=" << seed << "), " << seconds
              << " s, at most " << steps << " steps" << std::endl;

    // A compositor, so that closing the window folds it into the island as on a person's desktop.
    QProcess compositor;
    compositor.start(u"xcompmgr"_s, QStringList());
    DemoLaunch launch;
    ASSERT_TRUE(launch.make());
    std::optional<SoakAccount> account;
    ASSERT_NO_THROW(account = SoakAccount::beside(launch.demo()));
    if (account)
        std::cout << "beside the Authentication and Firestore emulators: the walk signs in as "
                  << DemoLibrary::email.toStdString() << " on the way" << std::endl;
    ASSERT_TRUE(launch.start(DemoLaunch::Start()
                                 .with(account ? account->arguments() : QStringList())
                                 .exposed()
                                 .awaiting(MainWindow::title, 60s)));
    DemoQuenlark& quenlark = launch.quenlark();
    ASSERT_TRUE(launch.accessibility()) << "the accessibility bus did not answer";

    Walk walk(quenlark, *launch.accessibility(), seed, account ? &*account : nullptr, seconds);
    QElapsedTimer clock;
    clock.start();
    int taken = 0;
    bool going = true;
    while (going && taken < steps && clock.elapsed() < seconds * 1000 && quenlark.running())
        going = walk.step(++taken);
    std::cout << taken << " steps in " << clock.elapsed() / 1000 << " s" << std::endl;
    const Walk::AccountSteps& signedIn = walk.accountSteps();
    if (account)
        std::cout << "the library was walked signed in: " << signedIn.signIns << " sign-ins through its form, "
                  << signedIn.signedInSteps << " steps signed in (" << signedIn.libraryInSteps << " on the library, "
                  << signedIn.libraryClicks << " clicks on its controls), " << signedIn.signedOutSteps
                  << " on a sign-in form" << std::endl;
    else
        std::cout << "the library was walked signed out: the Authentication and Firestore emulators don't both run"
                  << std::endl;

    // A clean end during the walk is a Quit it found in a menu; a crash fails below.
    bool quitFromWindow = true;
    if (quenlark.running())
        quitFromWindow = walk.quit();
    else
        std::cout << "the application ended during step " << taken << std::endl;
    const bool ended = quitFromWindow && quenlark.waitForEnd(30s);
    const QStringList said = faults(quenlark.output());
    EXPECT_EQ(walk.windowsNotBack(), 0) << "a second launch left the closed window closed (seed " << seed << ")";
    if (signedIn.signInTries > 0) {
        EXPECT_GT(signedIn.signIns + signedIn.signedInSteps, 0)
            << "the walk never came through the library's sign-in (seed " << seed << ")";
    }
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
