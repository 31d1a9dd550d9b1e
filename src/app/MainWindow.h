#pragma once

#include "app/Commands.h"

#include <QMainWindow>

// The one main window, titled "Quenlark". Closing it hides it; it lives as long as the process.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    static inline const QString title = QStringLiteral("Quenlark");
    static constexpr QSize minimum{860, 560};
    static constexpr QSize initial{1120, 780};

    explicit MainWindow(const QList<Commands::Menu>& menus);

    // Replaces the empty frame the window starts with.
    void setContent(QWidget* content);

Q_SIGNALS:
    // The first time the window painted itself on the screen.
    void firstShown();

protected:
    bool event(QEvent* event) override;

private:
    bool shown_ = false;
};
