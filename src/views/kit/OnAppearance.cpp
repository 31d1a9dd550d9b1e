#include "views/kit/OnAppearance.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>

OnAppearance& OnAppearance::changes() {
    static QPointer<OnAppearance> one;
    if (!one) {
        // The application object itself is told of each new application palette, which is how
        // the appearance changes.
        one = new OnAppearance(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(one);
    }
    return *one;
}

void OnAppearance::follow(QObject* owner, std::function<void()> apply) {
    apply();
    connect(&changes(), &OnAppearance::changed, owner, std::move(apply));
}

void OnAppearance::styleSheet(QWidget* widget, std::function<QString()> sheet) {
    follow(widget, [widget, sheet = std::move(sheet)] { widget->setStyleSheet(sheet()); });
}

bool OnAppearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) {
        Q_EMIT changed();
        // What reads its colours as it paints is drawn again, style sheet or not.
        for (QWidget* window : QApplication::topLevelWidgets())
            window->update();
    }
    return QObject::eventFilter(watched, event);
}
