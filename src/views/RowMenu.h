#pragma once

#include "views/RowAction.h"
#include "views/RowFacts.h"

#include <functional>

class QMenu;
class QWidget;

// The context menu of one card, filled from the row's model; each entry hands its action on.
namespace RowMenu {

QMenu* make(const RowFacts& row, std::function<void(const RowAction&)> run, QWidget* parent);

} // namespace RowMenu
