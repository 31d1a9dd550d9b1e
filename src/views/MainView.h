#pragma once

#include <QPointer>
#include <QWidget>

class Backdrop;
class CardList;
class Clock;
class FilterChips;
class Hero;
class LibraryPromptLayer;
class LibraryView;
class NoticeToast;
class PermissionBanner;
class PermissionPills;
class Prefs;
class SearchField;
class Store;
class TourAnchors;
class TourOverlay;
class UninstallLayer;

// The main window's content, the dashboard: the backdrop tinted by the store's mood, and a
// centred column at most 1200 wide of the overview header, the controls row (chips, search,
// permission pills), the permission banner while it is needed, and the card list, or the library
// screen under the library filter. Over it the guided tour while it runs, and above that the
// uninstall prompt while the store's removing row is set, the library's question card and the
// notice toast.
class MainView : public QWidget {
    Q_OBJECT
public:
    MainView(Store& store, Prefs& prefs, Clock& clock, QWidget* parent = nullptr);


    Backdrop* backdrop() const { return backdrop_; }
    Hero* hero() const { return hero_; }
    FilterChips* chips() const { return chips_; }
    SearchField* search() const { return search_; }
    PermissionPills* pills() const { return pills_; }
    PermissionBanner* banner() const { return banner_; }
    CardList* cardList() const { return list_; }
    // Shown in the card list's place under the library filter.
    LibraryView* libraryView() const { return library_; }
    UninstallLayer* uninstallLayer() const { return uninstall_; }
    NoticeToast* toast() const { return toast_; }
    // The elements the guided tour points at, and the tour laid over everything.
    TourOverlay* tourOverlay() const { return tour_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showBanner();
    void showLibrary();

    Store& store_;
    Backdrop* backdrop_;
    QWidget* column_;
    Hero* hero_;
    FilterChips* chips_;
    SearchField* search_;
    PermissionPills* pills_;
    PermissionBanner* banner_;
    bool bannerShown_ = false;
    CardList* list_;
    LibraryView* library_;
    bool libraryShown_ = false;
    UninstallLayer* uninstall_;
    NoticeToast* toast_;
    TourAnchors* anchors_;
    TourOverlay* tour_;
    LibraryPromptLayer* libraryPrompt_;
};
