#pragma once

#include <QString>

#include <memory>

class QWidget;

// The first run's small windows: titled and closable only, sized by their content, centred and
// brought forward.
namespace FixedWindow {

std::unique_ptr<QWidget> make(const QString& title, QWidget* content);
void present(QWidget* window);

} // namespace FixedWindow
