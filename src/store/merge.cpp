#include "store/merge.h"

#include "model/project_name.h"

#include <QSet>

#include <algorithm>

namespace {

QSet<QString> canonicalSet(const QStringList& names)
{
    QSet<QString> set;
    set.reserve(names.size());
    for (const QString& name : names)
        set.insert(canonicalName(name));
    return set;
}

} // namespace

QList<Tockle> mergedTockles(const QList<Tockle>& onDisk, const QList<Tockle>& inMemory)
{
    QSet<QUuid> ids;
    ids.reserve(onDisk.size());
    for (const Tockle& t : onDisk)
        ids.insert(t.id);
    QList<Tockle> merged = onDisk;
    for (const Tockle& t : inMemory) {
        if (!ids.contains(t.id))
            merged.append(t);
    }
    return merged;
}

bool sameRecords(const QList<Tockle>& a, const QList<Tockle>& b)
{
    return std::equal(a.cbegin(), a.cend(), b.cbegin(), b.cend(), [](const Tockle& x, const Tockle& y) {
        return x.id == y.id && x.startTime == y.startTime && x.endTime == y.endTime && x.duration == y.duration
               && x.projectName == y.projectName;
    });
}

QStringList mergedProjects(const QStringList& base, const QStringList& ours, const QStringList& theirs)
{
    QSet<QString> inBase = canonicalSet(base);
    const auto inBaseToo = [&inBase](const QString& name) { return inBase.contains(canonicalName(name)); };
    if (!theirs.isEmpty() && std::none_of(theirs.cbegin(), theirs.cend(), inBaseToo))
        inBase.clear(); // not made from the base: nothing counts as removed
    const QSet<QString> inOurs = canonicalSet(ours);
    QSet<QString> taken;
    QStringList merged;
    for (const QString& name : theirs) {
        const QString key = canonicalName(name);
        if (inBase.contains(key) && !inOurs.contains(key))
            continue; // one we removed
        taken.insert(key);
        merged.append(name); // as the file has it, a name listed twice included
    }
    for (const QString& name : ours) {
        const QString key = canonicalName(name);
        if (!inBase.contains(key) && !taken.contains(key)) { // one we added
            taken.insert(key);
            merged.append(name);
        }
    }
    return merged;
}
