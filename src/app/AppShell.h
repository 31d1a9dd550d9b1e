#pragma once

#include "runtime/Shell.h"

#include <QPointer>
#include <QWidget>

#include <functional>

// The running application's shell: window-modal dialogs opened and awaited (never a nested
// event loop), the main window, the appearance and the desktop's address opening.
class AppShell final : public Shell {
public:
    // Whether the application shows in the dock and task switcher. Linux has no dock: the
    // policy is kept for the code that asks.
    enum class ActivationPolicy { regular, accessory };

    struct Hooks {
        // The store's installed action that opens the main window, when one is set.
        std::function<std::function<void()>()> openMain;
        // Makes the main window when it does not exist; never starts another process.
        std::function<QWidget*()> makeMainWindow;
        std::function<void()> showIsland;
    };

    explicit AppShell(Hooks hooks);
    ~AppShell() override;

    QCoro::Task<bool> confirm(Question question) override;
    QCoro::Task<bool> alert(QString title, QString message) override;
    void openMainWindow() override;
    void showIsland() override;
    void applyAppearance(bool dark, bool followSystem) override;
    bool openUrl(const QUrl& url) override;
    QCoro::Task<bool> opened(QUrl url) override;

    ActivationPolicy activationPolicy() const { return policy_; }
    void setActivationPolicy(ActivationPolicy policy) { policy_ = policy; }
    // Whether the appearance now shown is dark.
    bool dark() const { return dark_; }

    // Brings the application forward, ignoring other applications.
    static void activate();

private:
    void show(bool dark);

    Hooks hooks_;
    QMetaObject::Connection following_; // the desktop's changes, while the system decides
    ActivationPolicy policy_ = ActivationPolicy::regular;
    bool dark_ = true;
};
