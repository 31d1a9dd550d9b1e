#pragma once

#include "views/cards/AppCardModel.h"

#include <QWidget>

#include <functional>

// The header row of an app's card. For assistive technology it is one button, selected with
// its card, whose default action opens or closes the card and whose named actions update the
// app or open its store page; its children are not offered apart.
class CardHeader : public QWidget {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> toggle;
        std::function<QList<AppCardModel::NamedAction>()> named;
        std::function<void(const RowAction&)> run;
    };

    CardHeader(Actions actions, QWidget* parent);

    void setSelected(bool selected);
    bool selected() const { return selected_; }
    void setExpanded(bool expanded);
    bool expanded() const { return expanded_; }
    const Actions& actions() const { return actions_; }

private:
    void tellStateChanged(bool selection);

    Actions actions_;
    bool selected_ = false;
    bool expanded_ = false;
};
