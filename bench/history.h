#pragma once

#include "model/tockle.h"

#include <QList>
#include <QStringList>

#include <random>

// A synthetic history: `count` intervals over `projects` names, some of them non-ASCII,
// about twenty stops a day going back from a fixed instant.
inline QStringList historyProjects(int projects)
{
    QStringList names;
    for (int i = 0; i < projects; ++i) {
        names.append(i % 5 == 0 ? QString::fromUtf8("Caf\xC3\xA9 / Kl\xC3\xBC" "ck %1").arg(i)
                                : QStringLiteral("Client project %1").arg(i));
    }
    return names;
}

inline QList<Tockle> history(qsizetype count, int projects = 50)
{
    const QStringList names = historyProjects(projects);
    std::mt19937_64 random(count);
    std::uniform_real_distribution<double> length(60.0, 7200.0);
    QList<Tockle> list;
    list.reserve(count);
    double t = 786303000.0 - double(count) * 4320.0;
    for (qsizetype i = 0; i < count; ++i) {
        const double d = length(random);
        list.append(Tockle(names[qsizetype(random() % names.size())], Instant::fromReferenceSeconds(t),
                           Instant::fromReferenceSeconds(t + d), d));
        t += 4320.0;
    }
    return list;
}
