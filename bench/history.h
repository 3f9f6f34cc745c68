#pragma once

#include "model/json_codec.h"
#include "model/tockle.h"
#include "platform/files.h"

#include <QDir>
#include <QList>
#include <QStringList>

#include <random>

// A synthetic history: `count` intervals over `projects` names (every fifth one non-ASCII),
// about twenty stops a day going back from a fixed instant. Ids come from a seeded generator so
// that building a million records does not wait on the system's entropy.
inline QStringList historyProjects(int projects = 50)
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
        const quint64 a = random(), b = random();
        const QUuid id(uint(a), ushort(a >> 32), ushort((a >> 48 & 0x0FFF) | 0x4000), uchar(0x80 | (b & 0x3F)),
                       uchar(b >> 8), uchar(b >> 16), uchar(b >> 24), uchar(b >> 32), uchar(b >> 40),
                       uchar(b >> 48), uchar(b >> 56));
        list.append(Tockle(id, names[qsizetype(random() % quint64(names.size()))],
                           Instant::fromReferenceSeconds(t), Instant::fromReferenceSeconds(t + d), d));
        t += 4320.0;
    }
    return list;
}

// Writes the history's two files into `base`/Tockles, as the program would find them, and
// waits until they are on disk so that their write-back does not run into the measurements.
inline void writeHistory(const QString& base, qsizetype count, int projects = 50)
{
    const QString folder = QDir(base).filePath(QStringLiteral("Tockles"));
    QDir().mkpath(folder);
    platform::replaceFileDurably(QDir(folder).filePath(QStringLiteral("tockles.json")),
                                 encodeTockles(history(count, projects)).value());
    platform::replaceFileDurably(QDir(folder).filePath(QStringLiteral("projects.json")),
                                 encodeProjects(historyProjects(projects)));
}
