#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class GhostButton;
class GradientButton;
class Onboarding;
class OnboardingModel;
class Prefs;
class Setup;
class Store;

// The welcome window's content: the dark backdrop with its two glows, the page shown, Skip, the
// page dots and Back / Continue; the arrow keys page, and a drag on the backdrop moves the window.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    struct Environment {
        OnboardingModel* model = nullptr;
        Onboarding* onboarding = nullptr;
        Setup* setup = nullptr;
        Store* store = nullptr;
        Prefs* prefs = nullptr;
        bool sandbox = false;
        std::function<void()> openPermissionSettings;
    };

    explicit OnboardingView(Environment environment, QWidget* parent = nullptr);

    QWidget* page() const { return page_; }
    GhostButton* skipButton() const { return skip_; }
    GradientButton* primaryButton() const { return primary_; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Dots;
    void showPage();
    QWidget* makePage(int index);
    void place();
    void fit();

    Environment e_;
    QPointer<QWidget> page_;
    int shownPage_ = -1;
    GhostButton* skip_;
    QWidget* close_;
    Dots* dots_;
    GhostButton* back_;
    GradientButton* primary_;
};
