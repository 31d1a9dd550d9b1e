#include "runtime/Shell.h"

#include <QDebug>

namespace {

// Before a real shell exists (tools, early start-up) nothing is asked and nothing is shown.
class QuietShell final : public Shell {
public:
    QCoro::Task<bool> confirm(Question) override { co_return false; }
    QCoro::Task<bool> alert(QString title, QString message) override {
        qWarning().noquote() << title << message;
        co_return true;
    }
    void openMainWindow() override {}
    void showIsland() override {}
    void applyAppearance(bool, bool) override {}
    bool openUrl(const QUrl&) override { return false; }
};

Shell* installed = nullptr;

} // namespace

Shell::~Shell() = default;

QCoro::Task<bool> Shell::opened(QUrl url) { co_return openUrl(url); }

Shell& Shell::current() {
    if (installed)
        return *installed;
    static QuietShell quiet;
    return quiet;
}

void Shell::install(Shell* shell) { installed = shell; }
