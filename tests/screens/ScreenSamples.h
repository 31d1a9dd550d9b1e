#pragma once

#include "install/Leftover.h"
#include "model/AppItem.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

// Rows in every status and install phase, shaped like the demo's applications, with bundles
// (Info.plist and an .icns icon for most) laid out under `folder`.
namespace ScreenSamples {

struct Sample {
    QString name; // the state shown, used in file names
    std::shared_ptr<AppItem> item;
};

QList<Sample> rows(const QString& folder);
// Lets icon loads and queued layout settle, for at least `atLeast` milliseconds; with `until`,
// rather until that holds (work under way, for its picture). At most 3 s either way.
void settle(int atLeast = 60, const std::function<bool()>& until = {});
// Leftovers of one application, some shared with others, inside `library`.
QList<Leftover> leftovers(const QString& library);

} // namespace ScreenSamples
