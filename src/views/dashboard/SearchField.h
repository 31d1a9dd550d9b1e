#pragma once

#include <QWidget>

class QAbstractButton;
class QLineEdit;
class Store;

// The capsule search field bound to the store's query: a clear button while it holds
// anything, Escape clears it (keeping the focus), and Ctrl+F anywhere in the window focuses it.
class SearchField : public QWidget {
    Q_OBJECT
public:
    explicit SearchField(Store& store, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    QAbstractButton* clearButton() const { return clear_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();

    Store& store_;
    QLineEdit* edit_;
    QAbstractButton* clear_;
};
