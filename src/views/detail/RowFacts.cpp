#include "views/detail/RowFacts.h"

#include "install/Uninstall.h"
#include "model/AppItem.h"

RowFacts RowFacts::of(const AppItem& item) {
    return RowFacts{item.app(),   item.status(),   item.checking(),  item.release(),
                    item.phase(), item.attempts(), item.installLog()};
}

bool RowFacts::busy() const {
    switch (phase.kind()) {
    case InstallPhase::Kind::queued:
    case InstallPhase::Kind::downloading:
    case InstallPhase::Kind::verifying:
    case InstallPhase::Kind::installing:
        return true;
    default:
        return false;
    }
}

bool RowFacts::removable() const { return !busy() && !Uninstall::protectedReason(app); }
