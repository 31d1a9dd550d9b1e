#pragma once

#include "app/Commands.h"

#include <QMainWindow>

#include <functional>

// The one main window, titled "Quenlark". Closing it hides it, or folds it when the closer says
// so; it lives as long as the process.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Quenlark");
    static constexpr QSize minimum{860, 560};
    static constexpr QSize initial{1120, 780};

    explicit MainWindow(const QList<Commands::Menu>& menus);

    // Replaces the empty frame the window starts with.
    void setContent(QWidget* content);
    // Asked at each close: false keeps the window up (the closer then hides it itself).
    void setCloser(std::function<bool()> mayClose) { closer_ = std::move(mayClose); }

Q_SIGNALS:
    // The first time the window painted itself on the screen.
    void firstShown();

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<bool()> closer_;
    bool shown_ = false;
};
