#pragma once

#include <QString>

class Store;

// The search field's texts and the no-matches view shown when a search finds nothing.
namespace SearchModel {

QString placeholder();
QString accessibilityLabel();
QString clearHelp();
// Present while the query holds anything, spaces included.
bool showsClear(const QString& query);
// Escape and the clear button.
void clear(Store& store);

// "No apps match “query”" with the query trimmed of spaces and tabs (line breaks kept).
QString noMatchesTitle(const QString& query);
QString noMatchesSymbol();
QString noMatchesDescription();

} // namespace SearchModel
