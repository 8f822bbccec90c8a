#pragma once
// Collections kept by other cataloguers: Tellico (tellico.xml, zipped or
// plain) and GCstar (.gcs). Each entry becomes a record: its title, its
// kind (a kind field of the entry, else the collection's type), its
// comment as the note, its current loan, and (GCstar) its past loans.
#include "imports/Records.h"

#include <QByteArray>
#include <QList>

namespace imports {

// Both throw ImportError when the XML is damaged or of another kind.
QList<Record> readTellico(const QByteArray& xml);
QList<Record> readGcstar(const QByteArray& xml);

} // namespace imports
