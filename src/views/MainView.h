#pragma once

#include <QWidget>

class CardList;
class QHBoxLayout;
class Store;
class UninstallLayer;

// The main window's content: the dashboard column holding the card list, the uninstall prompt
// over it while the store's removing row is set, and the notice toast while a notice is set.
class MainView : public QWidget {
    Q_OBJECT
public:
    explicit MainView(Store& store, QWidget* parent = nullptr);

    CardList* cardList() const { return list_; }
    UninstallLayer* uninstallLayer() const { return uninstall_; }
    QWidget* toast() const { return toast_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showNotice();
    void placeToast();

    Store& store_;
    QHBoxLayout* column_;
    CardList* list_;
    UninstallLayer* uninstall_;
    QWidget* toast_;
    class PlainLabel* toastText_;
};
