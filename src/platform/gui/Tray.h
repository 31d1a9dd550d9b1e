#pragma once

#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The item in the desktop's tray: an icon with a tooltip, a left click and a right-click menu.
// It is shown from its first icon on, while the object lives.
class Tray : public QObject {
    Q_OBJECT
public:
    struct Entry {
        QString title; // "" for a separator
        QKeySequence shortcut;
        std::function<void()> action;

        static Entry separator() { return {}; }
        bool isSeparator() const { return title.isEmpty(); }
    };
    // Makes the menu's entries afresh each time the menu opens.
    using MenuBuilder = std::function<QList<Entry>()>;

    ~Tray() override;

    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setToolTip(const QString& text) = 0;
    // What assistive technology reads for the item, where the host lets us say it.
    virtual void setAccessibleName(const QString& text) = 0;
    virtual void setMenu(MenuBuilder build) = 0;

    // Makes a tray item; a desktop without a tray host still gets one, which shows nothing.
    using Factory = std::function<std::unique_ptr<Tray>()>;

Q_SIGNALS:
    void clicked();
};
