#include "views/uninstall/UninstallChoice.h"

#include "platform/system/ByteCount.h"
#include "runtime/OutsideText.h"
#include "views/kit/Shown.h"

#include <QFileInfo>
#include <QObject>

UninstallChoice::UninstallChoice(InstalledApp app, QString userLibrary)
    : app_(std::move(app)), userLibrary_(std::move(userLibrary)) {}

void UninstallChoice::setFound(QList<Leftover> found) { found_ = std::move(found); }

QList<Leftover> UninstallChoice::unambiguous() const {
    QList<Leftover> list;
    for (const auto& leftover : found_.value_or(QList<Leftover>()))
        if (!leftover.ambiguous)
            list.append(leftover);
    return list;
}

QList<Leftover> UninstallChoice::ambiguous() const {
    QList<Leftover> list;
    for (const auto& leftover : found_.value_or(QList<Leftover>()))
        if (leftover.ambiguous)
            list.append(leftover);
    return list;
}

void UninstallChoice::setChosen(const Leftover& leftover, bool chosen) {
    if (chosen)
        chosen_.insert(leftover.url);
    else
        chosen_.remove(leftover.url);
}

bool UninstallChoice::allDataChosen() const {
    const auto list = unambiguous();
    if (list.isEmpty())
        return false;
    for (const auto& leftover : list)
        if (!chosen_.contains(leftover.url))
            return false;
    return true;
}

void UninstallChoice::setAllData(bool chosen) {
    for (const auto& leftover : unambiguous())
        setChosen(leftover, chosen);
}

void UninstallChoice::setPermanently(bool permanently) {
    if (working_)
        return;
    permanently_ = permanently;
    confirming_ = false;
}

std::optional<UninstallChoice::Removal> UninstallChoice::press() {
    if (!confirmEnabled())
        return std::nullopt;
    if (permanently_ && !confirming_) {
        confirming_ = true;
        return std::nullopt;
    }
    working_ = true;
    Removal removal;
    removal.permanently = permanently_;
    for (const auto& leftover : *found_)
        if (chosen_.contains(leftover.url))
            removal.data.append(leftover);
    return removal;
}

QString UninstallChoice::title() const {
    const QString name = OutsideText::isolated(app_.name);
    return permanently_ ? QStringLiteral("Delete ") + name + QStringLiteral(" permanently?")
                        : QStringLiteral("Move ") + name + QStringLiteral(" to the Trash?");
}

QString UninstallChoice::subtitle() const {
    return Shown::installed(app_, Shown::Place::sentence) + QStringLiteral("  \u00B7  ") +
           OutsideText::isolated(app_.url);
}

QString UninstallChoice::buttonTitle() const {
    const auto n = chosen_.size();
    const QString middle = n == 0 ? QString()
                                  : QStringLiteral(" App and ") + QString::number(n) + QStringLiteral(" Item") +
                                        (n == 1 ? QString() : QStringLiteral("s"));
    if (!permanently_)
        return n == 0 ? QStringLiteral("Move to Trash") : QStringLiteral("Move") + middle + QStringLiteral(" to Trash");
    if (!confirming_)
        return QStringLiteral("Delete") + middle + QStringLiteral(" Permanently\u2026");
    return QStringLiteral("Yes, Delete") + middle + QStringLiteral(" Permanently");
}

std::optional<QString> UninstallChoice::total() const {
    qint64 sum = 0;
    bool any = false;
    for (const auto& leftover : found_.value_or(QList<Leftover>())) {
        if (!leftover.size)
            continue;
        sum += *leftover.size;
        any = any || *leftover.size > 0;
    }
    if (!any)
        return std::nullopt;
    return ByteCount::file(sum);
}

QString UninstallChoice::caption() const {
    const auto n = found_.value_or(QList<Leftover>()).size();
    QString text = QString::number(n) + QStringLiteral(" item") + (n == 1 ? QString() : QStringLiteral("s"));
    if (const auto sum = total())
        text += QStringLiteral(", ") + *sum;
    return text + QStringLiteral(" in your Library. Tick only what you want gone; shared folders (an SDK, say) may be "
                                 "used by other apps.");
}

QString UninstallChoice::allDataAccessibility() const {
    return QObject::tr("Also delete its data and settings, %1 items").arg(unambiguous().size());
}

QString UninstallChoice::modeNote() const {
    return permanently_ ? QStringLiteral("Deleted items skip the Trash and can't be recovered.")
                        : QStringLiteral("Everything goes to the Trash, so you can put it back from Finder until you "
                                         "empty it.");
}

QString UninstallChoice::rowLabel(const Leftover& leftover) const {
    QString label = leftover.url;
    if (!userLibrary_.isEmpty())
        label.replace(userLibrary_ + QLatin1Char('/'), QString());
    return OutsideText::clean(label);
}

QString UninstallChoice::rowSize(const Leftover& leftover) const {
    return leftover.size ? ByteCount::file(*leftover.size) : QString(QChar(0x2014));
}

QString UninstallChoice::rowAccessibility(const Leftover& leftover) const {
    const QFileInfo file(leftover.url);
    QString text = QStringLiteral("Delete ") + OutsideText::isolated(file.fileName()) + QStringLiteral(", in ") +
                   OutsideText::isolated(QFileInfo(file.path()).fileName());
    if (leftover.ambiguous)
        text += QStringLiteral(", may belong to another app");
    return text;
}
