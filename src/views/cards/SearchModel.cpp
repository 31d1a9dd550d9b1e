#include "views/cards/SearchModel.h"

#include "store/Store.h"

#include <QCoreApplication>

using namespace Qt::Literals::StringLiterals;

namespace {
QString tr(const char* text) { return QCoreApplication::translate("Search", text); }

} // namespace

namespace SearchModel {

QString placeholder() { return tr("Search apps"); }
QString accessibilityLabel() { return tr("Search apps by name, bundle ID or source"); }
QString clearHelp() { return tr("Clear the search"); }
bool showsClear(const QString& query) { return !query.isEmpty(); }
void clear(Store& store) { store.setQuery(QString()); }

QString noMatchesTitle(const QString& query) {
    return QCoreApplication::translate("Search", "No apps match “%1”").arg(Store::trimmedQuery(query));
}

QString noMatchesSymbol() { return u"magnifyingglass"_s; }
QString noMatchesDescription() { return tr("Search looks at app names, bundle IDs and update sources."); }

} // namespace SearchModel
