#pragma once

#include <QUrl>

// The pages of the product's website the application opens.
namespace SiteLinks {

const QUrl& terms();
const QUrl& privacy();
const QUrl& feedback();

} // namespace SiteLinks
