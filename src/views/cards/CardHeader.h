#pragma once

#include "views/cards/AppCardModel.h"
#include "views/cards/VersionPillFace.h"

#include <QStaticText>
#include <QWidget>

#include <functional>

class QLayoutItem;
class QVBoxLayout;
class SpringValue;

// The header row of an app's card: it draws the name, the detail line, the version capsule and
// the chevron itself, in places its row's layout holds for them. For assistive technology it is one button, selected
// with its card, whose default action opens or closes the card and whose named actions update the app or open its store
// page; its children are not offered apart.
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

    void setTexts(const QString& name, const QString& detail);
    // The chevron's turn in degrees: 0 closed, 90 open.
    void setChevronRotation(double degrees);
    void setPill(const VersionPillModel::Pill& pill);
    // The places the header draws in, for its row's layout to hold.
    QVBoxLayout* textColumn() const { return texts_; }
    QLayoutItem* pillSpace() const { return pillSpace_; }
    QLayoutItem* chevronSpace() const { return chevron_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void tellStateChanged(bool selection);
    QRect chevronRect() const;
    QRect pillRect() const;
    void resizePill();

    Actions actions_;
    bool selected_ = false;
    bool expanded_ = false;
    QString name_;
    QString detail_;
    QVBoxLayout* texts_;
    QLayoutItem* nameSpace_;
    QLayoutItem* detailSpace_;
    QLayoutItem* chevron_;
    QLayoutItem* pillSpace_;
    VersionPillFace pill_;
    SpringValue* pillMotion_;
    double rotation_ = 0;
    // The detail line as drawn, shaped once for the width it was cut to.
    QStaticText shownDetail_;
    int detailWidth_ = -1;
};
