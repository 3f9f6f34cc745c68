#pragma once

#include "model/tockle.h"

#include <QList>
#include <QStringList>

// Another computer's sync, a hand edit or a second copy of the program may change a list's
// file behind the store's back; these rules combine it with the store's own list.

// Records are only ever added, each with its own id, so the union loses nothing: the file's
// records in their order, as the file has them (a hand edit corrects one), then those only in
// memory in theirs.
QList<Tockle> mergedTockles(const QList<Tockle>& onDisk, const QList<Tockle>& inMemory);

// Whether two lists hold the same records, field for field, in the same order: a record
// corrected by hand keeps its id and count, and only its fields tell of the change.
bool sameRecords(const QList<Tockle>& a, const QList<Tockle>& b);

// Three-way against `base`, the file as the store last saw it: a name added on either side is
// kept, a name removed on either side is removed; the file's order first, then ours. A file
// that lists names but none of the base's is another computer's first list, which a sync tool may
// deliver without a conflict copy: the base then counts as empty, and ours only adds the names
// the file lacks.
QStringList mergedProjects(const QStringList& base, const QStringList& ours, const QStringList& theirs);

