#include "panel/panel_rules.h"

#include "model/project_name.h"

#include <QHash>

QString trimmedName(const QString& text)
{
    return text.trimmed();
}

QString shownName(const QString& name, qsizetype limit)
{
    QString shown = name;
    if (name.size() > limit) {
        qsizetype cut = limit;
        if (name.at(cut - 1).isHighSurrogate())
            --cut;
        shown = name.left(cut) + QChar(0x2026);
    }
    // A line break in a name (pasted, or from a hand edit) would push the rest of it out of
    // the one-line controls that show it.
    static const QString lineBreaks = QStringLiteral("\n\r\v\f\u0085\u2028\u2029");
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (lineBreaks.contains(shown.at(i)))
            shown[i] = u' ';
    }
    return shown;
}

QString isolatedName(const QString& shown)
{
    // First strong isolate ... pop directional isolate.
    return QChar(0x2068) + shown + QChar(0x2069);
}

QString firstOrEmpty(const QStringList& projects)
{
    return projects.isEmpty() ? QString() : projects.first();
}

QString revalidatedSelection(const QString& selected, const QStringList& projects)
{
    for (const QString& name : projects) {
        if (namesEqual(name, selected))
            return selected;
    }
    return firstOrEmpty(projects);
}

bool startStopEnabled(const QStringList& projects, bool isTracking, const QString& selectedProject)
{
    if (projects.isEmpty())
        return false;
    if (isTracking)
        return true;
    return !selectedProject.isEmpty();
}

QList<TotalsRow> totalsRows(const TotalsInput& in)
{
    // Equal names share one sum, so a name listed twice shows the same total twice.
    QHash<QString, qsizetype> slotOf;
    QList<qsizetype> slotOfProject;
    slotOfProject.reserve(in.projects.size());
    for (const QString& name : in.projects) {
        const QString key = canonicalName(name);
        auto it = slotOf.constFind(key);
        if (it == slotOf.cend())
            it = slotOf.insert(key, slotOf.size());
        slotOfProject.append(it.value());
    }
    QList<double> recorded(slotOf.size(), 0.0);
    // Through plain pointers: QList's non-const [] checks for sharing at every record, and makes
    // this loop three times slower.
    double* sums = recorded.data();

    if (in.nameIds && in.indexNames && in.nameIds->size() == in.tockles.size()) {
        QList<qsizetype> slotOfId(in.indexNames->size(), -1);
        for (qsizetype i = 0; i < in.indexNames->size(); ++i)
            slotOfId[i] = slotOf.value(canonicalName(in.indexNames->at(i)), -1);
        const quint32* ids = in.nameIds->constData();
        const qsizetype* slots = slotOfId.constData();
        const Tockle* records = in.tockles.constData();
        for (qsizetype i = 0, n = in.tockles.size(); i < n; ++i) {
            const qsizetype slot = slots[ids[i]];
            if (slot >= 0)
                sums[slot] += records[i].duration;
        }
    } else {
        // Loaded records share one string per name, so the string's storage identifies the
        // name: a pointer lookup per record, and the text compared once per distinct name.
        QHash<std::pair<const QChar*, qsizetype>, qsizetype> slotOfStorage;
        std::pair<const QChar*, qsizetype> lastKey{nullptr, -1};
        qsizetype lastSlot = -1;
        for (const Tockle& t : in.tockles) {
            const std::pair<const QChar*, qsizetype> key{t.projectName.constData(), t.projectName.size()};
            if (key != lastKey) {
                lastKey = key;
                auto it = slotOfStorage.constFind(key);
                if (it == slotOfStorage.cend())
                    it = slotOfStorage.insert(key, slotOf.value(canonicalName(t.projectName), -1));
                lastSlot = it.value();
            }
            if (lastSlot >= 0)
                sums[lastSlot] += t.duration;
        }
    }

    QList<TotalsRow> rows;
    for (qsizetype i = 0; i < in.projects.size(); ++i) {
        const QString& name = in.projects[i];
        double total = recorded[slotOfProject[i]];
        if (in.isTracking && namesEqual(in.currentProject, name))
            total += in.elapsedTime;
        if (total > 0 || namesEqual(in.selectedProject, name))
            rows.append({name, total});
    }
    return rows;
}
