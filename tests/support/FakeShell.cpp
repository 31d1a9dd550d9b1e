#include "FakeShell.h"

FakeShell::FakeShell() { Shell::install(this); }

FakeShell::~FakeShell() { Shell::install(nullptr); }

QCoro::Task<bool> FakeShell::confirm(Question question) {
    questions.append(question);
    if (answers.empty())
        co_return defaultAnswer;
    const bool answer = answers.front();
    answers.pop_front();
    co_return answer;
}

QCoro::Task<bool> FakeShell::alert(QString title, QString message) {
    alerts.append({title, message});
    co_return true;
}

void FakeShell::applyAppearance(bool dark, bool followSystem) { appearances.append({dark, followSystem}); }

bool FakeShell::openUrl(const QUrl& url) {
    if (!opens)
        return false;
    openedUrls.append(url);
    return true;
}
