#pragma once

#include "store/Device.h"

#include <QToolButton>

#include <functional>
#include <optional>

class Clock;
class QMenu;

// The library's Mac picker: a menu of "Any Mac" and the account's Macs by their told-apart
// labels. Choosing one hands its id (none for any Mac) to `choose`.
class MacPicker : public QToolButton {
    Q_OBJECT
public:
    using Choose = std::function<void(std::optional<QString>)>;
    MacPicker(Clock& clock, Choose choose, QWidget* parent = nullptr);

    // What the menu offers when it opens next, and the title for the chosen Mac.
    void show(QList<Device> devices, QString here, const QString& title);
    // The menu as it would open now.
    void fill(QMenu& menu) const;

private:
    Clock& clock_;
    Choose choose_;
    QList<Device> devices_;
    QString here_;
};
