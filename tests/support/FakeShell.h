#pragma once

#include "runtime/Shell.h"

#include <QList>
#include <QUrl>

#include <deque>

// Records what the core asked of the user and the windows; answers questions from a queue.
class FakeShell final : public Shell {
public:
    FakeShell();
    ~FakeShell() override;

    QCoro::Task<bool> confirm(Question question) override;
    QCoro::Task<bool> alert(QString title, QString message) override;
    void openMainWindow() override { ++mainWindowOpened; }
    void showIsland() override { ++islandShown; }
    void applyAppearance(bool dark, bool followSystem) override;
    bool openUrl(const QUrl& url) override;

    // Answers for the next confirm() calls; `defaultAnswer` once they run out.
    std::deque<bool> answers;
    bool defaultAnswer = false;
    // Whether openUrl() finds a program for the address.
    bool opens = true;

    QList<Question> questions;
    QList<std::pair<QString, QString>> alerts;
    QList<QUrl> openedUrls;
    int mainWindowOpened = 0;
    int islandShown = 0;
    struct Appearance {
        bool dark;
        bool followSystem;
    };
    QList<Appearance> appearances;
};
