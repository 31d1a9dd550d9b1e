#include "views/dashboard/PermissionPills.h"

#include "model/Permissions.h"
#include "model/Prefs.h"
#include "runtime/Observation.h"
#include "runtime/Spawn.h"
#include "store/Store.h"
#include "views/cards/AppManagementHelp.h"
#include "views/dashboard/PermissionModel.h"
#include "views/dashboard/PermissionPill.h"

#include <QHBoxLayout>

PermissionPills::PermissionPills(Store& store, Prefs& prefs, QWidget* parent)
    : QWidget(parent), store_(store), prefs_(prefs) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    appManagement_ = new PermissionPill(this);
    notifications_ = new PermissionPill(this);
    row->addWidget(appManagement_);
    row->addWidget(notifications_);

    connect(appManagement_, &QAbstractButton::clicked, this, [this] { AppManagementHelp::take(store_, nullptr); });
    connect(notifications_, &QAbstractButton::clicked, this, [this] { PermissionModel::clickNotifications(store_); });
    new Observer(
        this, [this] { refresh(); }, [] {});
}

void PermissionPills::refresh() {
    appManagement_->setPill(PermissionModel::appManagement(store_));
    notifications_->setPill(PermissionModel::notifications(store_, prefs_.notchMode()));
}
