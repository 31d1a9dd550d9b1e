#include "app/AppShell.h"

#include "app/MainWindow.h"
#include "app/Windows.h"
#include "platform/desktop/DesktopSettings.h"
#include "platform/desktop/Workspace.h"
#include "platform/gui/Palette.h"
#include "runtime/Blocking.h"

#include <QApplication>
#include <QCoro/QCoroSignal>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QStyleFactory>

namespace {

// The main window when it is on the screen: dialogs are modal to it, else to the application.
QWidget* dialogParent() {
    QWidget* main = Windows::main(MainWindow::title);
    return main && main->isVisible() ? main : nullptr;
}

// Opens `box` without a nested event loop and resolves with the button chosen.
QCoro::Task<QAbstractButton*> ask(QMessageBox* box) {
    QPointer<QMessageBox> guard(box);
    box->setWindowModality(box->parentWidget() ? Qt::WindowModal : Qt::ApplicationModal);
    // Messages name applications and carry servers' text: never rich text.
    box->setTextFormat(Qt::PlainText);
    if (auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    box->open();
    co_await qCoro(box, &QMessageBox::finished);
    QAbstractButton* chosen = guard ? guard->clickedButton() : nullptr;
    if (guard)
        guard->deleteLater();
    co_return chosen;
}

} // namespace

AppShell::AppShell(Hooks hooks) : hooks_(std::move(hooks)) {}

AppShell::~AppShell() { QObject::disconnect(following_); }

QCoro::Task<bool> AppShell::confirm(Question question) {
    auto* box = new QMessageBox(dialogParent());
    box->setIcon(question.destructive ? QMessageBox::Warning : QMessageBox::Question);
    box->setText(question.title);
    box->setInformativeText(question.message);
    QPushButton* yes =
        box->addButton(question.confirm, question.destructive ? QMessageBox::DestructiveRole : QMessageBox::AcceptRole);
    QPushButton* no = box->addButton(question.cancel.isEmpty() ? QMessageBox::tr("Cancel") : question.cancel,
                                     QMessageBox::RejectRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    QAbstractButton* chosen = co_await ask(box);
    co_return chosen == yes;
}

QCoro::Task<bool> AppShell::alert(QString title, QString message) {
    auto* box = new QMessageBox(dialogParent());
    box->setIcon(QMessageBox::Warning);
    box->setText(title);
    box->setInformativeText(message);
    box->addButton(QMessageBox::Ok);
    co_await ask(box);
    co_return true;
}

void AppShell::openMainWindow() {
    policy_ = ActivationPolicy::regular;
    if (QWidget* window = Windows::main(MainWindow::title)) {
        Windows::bringForward(window);
    } else if (const auto openMain = hooks_.openMain ? hooks_.openMain() : std::function<void()>()) {
        openMain();
    } else if (hooks_.makeMainWindow) {
        // In place of opening our own bundle: that would start a second process, which hands
        // its arguments back here.
        if (QWidget* made = hooks_.makeMainWindow())
            Windows::bringForward(made);
    }
    activate();
}

void AppShell::showIsland() {
    if (hooks_.showIsland)
        hooks_.showIsland();
}

void AppShell::applyAppearance(bool dark, bool followSystem) {
    DesktopSettings& desktop = DesktopSettings::shared();
    // The portal answers after the first read, and the desktop may change later: following the
    // system takes each of its answers as it comes.
    QObject::disconnect(following_);
    if (followSystem)
        following_ = QObject::connect(&desktop, &DesktopSettings::changed, &desktop, [this, &desktop] {
            if (desktop.dark() != dark_)
                show(desktop.dark());
        });
    show(followSystem ? desktop.dark() : dark);
}

void AppShell::show(bool dark) {
    dark_ = dark;
    // Our own drawings read their colours from here, not from Qt's palette.
    Palette::setDark(dark_);
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // Each change of style or palette polishes every widget again: only a change is applied.
    if (QApplication::style()->name() != QLatin1String("fusion"))
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Qt's own widgets take the same colours as our drawings, in either appearance.
    const QPalette palette = Palette::current().qtPalette();
    if (QApplication::palette() != palette)
        QApplication::setPalette(palette);
}

// Workspace::open hands its addresses here, so the desktop is asked directly.
bool AppShell::openUrl(const QUrl& url) { return Workspace::launch(url); }

// The opener's exit status is awaited off the GUI thread: a browser it runs in its place may
// keep it for seconds.
QCoro::Task<bool> AppShell::opened(QUrl url) {
    auto work = [url] { return Workspace::launchWaiting(url); };
    co_return co_await Blocking::run(work);
}

void AppShell::activate() {
    QWidget* target = QApplication::activeWindow();
    if (!target) {
        for (QWidget* window : Windows::all()) {
            if (window->isVisible() && Windows::canBecomeMain(window)) {
                target = window;
                break;
            }
        }
    }
    if (target) {
        target->raise();
        target->activateWindow();
    }
}
