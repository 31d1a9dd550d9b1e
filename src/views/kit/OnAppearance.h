#pragma once

#include <QObject>

#include <functional>

// Tells when the application's appearance changes. Qt passes a new application palette down
// only to widgets outside any style sheet, and never re-makes what a widget made once from the
// palette's colours (a style sheet, a palette of its own, an icon): those follow from here.
class OnAppearance : public QObject {
    Q_OBJECT
public:
    // Runs `apply` now and after each change of appearance, for as long as `owner` lives.
    static void follow(QObject* owner, std::function<void()> apply);
    // The widget's style sheet, made by `sheet` now and after each change of appearance.
    static void styleSheet(class QWidget* widget, std::function<QString()> sheet);
    // The one that signals the changes.
    static OnAppearance& changes();

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
