#include "views/cards/CardHeader.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace {

class Accessible final : public QAccessibleWidget {
public:
    explicit Accessible(CardHeader* header) : QAccessibleWidget(header, QAccessible::Button) {}

    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.selectable = true;
        state.selected = header()->selected();
        state.expandable = true;
        state.expanded = header()->expanded();
        state.collapsed = !header()->expanded();
        return state;
    }

    QStringList actionNames() const override {
        QStringList names{pressAction()};
        for (const auto& named : named())
            names.append(named.label);
        return names;
    }

    QString localizedActionName(const QString& name) const override {
        return name == pressAction() ? QAccessibleWidget::localizedActionName(name) : name;
    }

    QString localizedActionDescription(const QString& name) const override {
        return name == pressAction() ? header()->accessibleDescription() : name;
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    void doAction(const QString& name) override {
        const auto& actions = header()->actions();
        if (name == pressAction()) {
            if (actions.toggle)
                actions.toggle();
            return;
        }
        for (const auto& named : named()) {
            if (named.label == name && actions.run) {
                actions.run(named.action);
                return;
            }
        }
    }

private:
    CardHeader* header() const { return static_cast<CardHeader*>(widget()); }
    QList<AppCardModel::NamedAction> named() const {
        const auto& actions = header()->actions();
        return actions.named ? actions.named() : QList<AppCardModel::NamedAction>();
    }
};

QAccessibleInterface* make(const QString& className, QObject* object) {
    if (className == QLatin1String("CardHeader") && object && object->isWidgetType())
        return new Accessible(static_cast<CardHeader*>(object));
    return nullptr;
}

} // namespace

CardHeader::CardHeader(Actions actions, QWidget* parent) : QWidget(parent), actions_(std::move(actions)) {
    static const bool installed = [] {
        QAccessible::installFactory(make);
        return true;
    }();
    Q_UNUSED(installed);
}

void CardHeader::setSelected(bool selected) {
    if (selected == selected_)
        return;
    selected_ = selected;
    tellStateChanged(true);
}

void CardHeader::setExpanded(bool expanded) {
    if (expanded == expanded_)
        return;
    expanded_ = expanded;
    tellStateChanged(false);
}

void CardHeader::tellStateChanged(bool selection) {
    QAccessible::State changed;
    if (selection) {
        changed.selected = true;
    } else {
        changed.expanded = true;
        changed.collapsed = true;
    }
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}
