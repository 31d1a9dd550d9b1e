#include "app/MainWindow.h"

#include "runtime/Spawn.h"

#include <QCloseEvent>
#include <QEvent>
#include <QMenuBar>

MainWindow::MainWindow(const QList<Commands::Menu>& menus) {
    setWindowTitle(title);
    setObjectName(QStringLiteral("main"));
    setMinimumSize(minimum);
    resize(initial);
    setCentralWidget(new QWidget(this));
    for (const auto& menu : menus) {
        QMenu* shown = menuBar()->addMenu(menu.title);
        for (const auto& item : menu.items) {
            if (item.title.isEmpty()) {
                shown->addSeparator();
                continue;
            }
            QAction* action = shown->addAction(item.title);
            action->setShortcut(item.shortcut);
            // The window may be hidden; its shortcuts still belong to the application.
            action->setShortcutContext(Qt::ApplicationShortcut);
            connect(action, &QAction::triggered, this,
                    guarded(
                        [run = item.action] {
                            if (run)
                                run();
                        },
                        "menu command"));
        }
    }
}

void MainWindow::setContent(QWidget* content) { setCentralWidget(content); }

bool MainWindow::event(QEvent* event) {
    const bool handled = QMainWindow::event(event);
    if (event->type() == QEvent::Paint && !shown_) {
        shown_ = true;
        Q_EMIT firstShown();
    }
    return handled;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closer_ && !closer_()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
