#pragma once

#include "views/detail/RowAction.h"
#include "views/detail/RowFacts.h"

#include <functional>

class QMenu;
class QWidget;

// The context menu of one card, filled from the row's model; each entry hands its action on.
namespace RowMenu {

QMenu* make(const RowFacts& row, std::function<void(const RowAction&)> run, QWidget* parent);

} // namespace RowMenu
