#pragma once

#include <QWidget>

class PlainLabel;
class SymbolView;

// The placeholder of a list with nothing to show: a large symbol, a title and a description,
// centred. The card list shows each filter's empty state and the no-matches view with it.
class ContentUnavailable : public QWidget {
    Q_OBJECT
public:
    explicit ContentUnavailable(QWidget* parent = nullptr);

    // The title and description are shown as they are.
    void set(const QString& symbol, const QString& title, const QString& description);
    QString title() const;
    QString description() const;

private:
    SymbolView* symbol_;
    PlainLabel* title_;
    PlainLabel* description_;
};
