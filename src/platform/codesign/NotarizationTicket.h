#pragma once

#include "platform/codesign/Anchors.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A stapled notarisation ticket: a CMS message enclosing one line "2/<hash type>/<hex cdhash>"
// per code directory the notary service checked, signed by a ticket-signing certificate that
// chains to the anchors. A developer's own certificate can not sign one.
namespace NotarizationTicket {

// Whether the ticket file at `path` is genuine and names every one of `cdhashes` (20 bytes each,
// with the hash type of their code directory).
bool covers(const QString& path, const QList<std::pair<int, QByteArray>>& cdhashes, const Anchors& anchors);
// The same for ticket bytes at hand (a package carries its ticket after its heap).
bool coversTicket(const QByteArray& ticket, const QList<std::pair<int, QByteArray>>& cdhashes, const Anchors& anchors);

} // namespace NotarizationTicket
