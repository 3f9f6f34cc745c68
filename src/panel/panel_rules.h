#pragma once

#include "model/tockle.h"

#include <QList>
#include <QString>
#include <QStringList>

// The panel's rules, free of widgets so each can be checked on its own.

// Cuts white space and line breaks (Unicode Z, U+0009..U+000D, U+0085) from both ends.
QString trimmedName(const QString& text);

// A name as the panel's controls show it: on one line, whole up to a few hundred characters,
// cut with an ellipsis beyond. Text shaping costs grow with length, and a hand-edited file may
// hold a name of megabytes; the data always keeps the full name.
constexpr qsizetype shownNameLimit = 256;
QString shownName(const QString& name, qsizetype limit = shownNameLimit);
// A shown name set into a sentence ("Stop (%1)") as a run of its own direction: a
// right-to-left name, or one holding a direction override, leaves the brackets and the time
// around it in place.
QString isolatedName(const QString& shown);

// The first project, or no selection when there is none.
QString firstOrEmpty(const QStringList& projects);

// The selection kept while it is still in the list; otherwise the head of the list.
QString revalidatedSelection(const QString& selected, const QStringList& projects);

// An empty project list disables; otherwise tracking enables; otherwise a selection is needed.
bool startStopEnabled(const QStringList& projects, bool isTracking, const QString& selectedProject);

struct TotalsRow {
    QString name;
    double total = 0.0;
};

struct TotalsInput {
    const QStringList& projects;
    const QList<Tockle>& tockles;
    bool isTracking;
    const QString& currentProject;
    double elapsedTime;
    const QString& selectedProject;
    // Where known, each record's name as an index into `indexNames`: the sum then looks up no
    // name per record.
    const QList<quint32>* nameIds = nullptr;
    const QStringList* indexNames = nullptr;
};

// One row per project in list order whose total is above zero, or that is selected. Each total
// sums its records' durations in record order, plus the running interval for the tracked
// project. One pass over the records, whatever the number of projects.
QList<TotalsRow> totalsRows(const TotalsInput& input);
