#pragma once

#include <QCoro/QCoroTask>
#include <QString>
#include <QUrl>

// How the core reaches the user and the windows. The application installs the real one before
// the store is first used; tests install a recording fake. Dialogs are window-modal and awaited.
class Shell {
public:
    virtual ~Shell();

    struct Question {
        QString title;
        QString message;
        QString confirm;          // the default button's text
        QString cancel;           // "" for the platform's "Cancel"
        bool destructive = false; // the confirm button destroys something
    };

    // Resolves true when the user chose `confirm`.
    virtual QCoro::Task<bool> confirm(Question question) = 0;
    // An alert with one button; resolves when dismissed.
    virtual QCoro::Task<bool> alert(QString title, QString message) = 0;

    virtual void openMainWindow() = 0;
    virtual void showIsland() = 0;
    virtual void applyAppearance(bool dark, bool followSystem) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    // Opens the address and resolves whether the program it went to took it; this default
    // trusts openUrl's answer.
    virtual QCoro::Task<bool> opened(QUrl url);

    static Shell& current();
    // Installs `shell` (not owned); nullptr restores the quiet default.
    static void install(Shell* shell);
};
