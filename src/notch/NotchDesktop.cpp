#include "notch/NotchDesktop.h"

#include "runtime/Shell.h"

NotchDesktop::~NotchDesktop() = default;

std::shared_ptr<IslandPanel> NotchDesktop::makePanel(std::shared_ptr<IslandModel>, const QRectF&) { return nullptr; }

void NotchDesktop::growMainWindow(const QRectF&, const std::shared_ptr<IslandPanel>&, std::function<void()> done) {
    Shell::current().openMainWindow();
    done();
}

namespace {

class NoDesktop final : public NotchDesktop {
public:
    QList<Window> ownWindows() const override { return {}; }
    bool applicationActive() const override { return false; }
    bool fullScreenAppInFront() const override { return false; }
};

NotchDesktop* installedDesktop = nullptr;

} // namespace

NotchDesktop& NotchDesktop::current() {
    static NoDesktop none;
    return installedDesktop ? *installedDesktop : none;
}

void NotchDesktop::install(NotchDesktop* desktop) { installedDesktop = desktop; }
