#pragma once

#include "views/detail/RowAction.h"
#include "views/detail/RowFacts.h"

#include <QWidget>

class QVBoxLayout;
class StatusCard;

// The detail pane of one application, in two columns: its state, the actions on it, the facts
// of its bundle and release and the log of its last update on the left; the sources tried and
// the release notes on the right. Each part is rebuilt only when what it shows changed.
class DetailPane : public QWidget {
    Q_OBJECT
public:
    explicit DetailPane(QWidget* parent = nullptr);

    void setRow(const RowFacts& row);
    // Its layout's, without the release notes laid out at a width the pane never has.
    QSize sizeHint() const override;

Q_SIGNALS:
    void triggered(const RowAction& action);
    // A link inside the release notes.
    void linkActivated(const QUrl& url);

private:
    QWidget* block(const QString& title, QWidget* content);
    QWidget* actions(const RowFacts& row);
    QWidget* details(const RowFacts& row);
    QWidget* installLog(const RowFacts& row);
    QWidget* sources(const RowFacts& row);
    QWidget* releaseNotes(const RowFacts& row);
    void replace(QWidget*& slot, QWidget* fresh, QVBoxLayout* column, int index);

    StatusCard* status_;
    QVBoxLayout* left_;
    QVBoxLayout* right_;
    QWidget* actions_ = nullptr;
    QWidget* details_ = nullptr;
    QWidget* log_ = nullptr;
    QWidget* sources_ = nullptr;
    QWidget* notes_ = nullptr;
    std::optional<RowFacts> shown_;
};
