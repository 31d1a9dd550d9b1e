#pragma once

#include "install/PackageConsent.h"

#include <QString>
#include <QStringList>

// What the consent card says before an installer package runs with administrator rights: the
// title naming the application, the warning, and the checks the download passed, in order.
struct ConsentFacts {
    QString title;
    QString warning;
    QStringList facts;

    static ConsentFacts of(const PackageConsent& consent);
};
