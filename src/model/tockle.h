#pragma once

#include "model/instant.h"

#include <QString>
#include <QStringView>
#include <QUuid>

#include <optional>

// One finished interval of tracked time. Records are never edited; two with equal fields are
// still two records, so there is no equality operator.
struct Tockle {
    QUuid id;
    QString projectName;
    Instant startTime;
    Instant endTime;
    double duration = 0.0;

    // A record made by the program: a fresh random identity.
    Tockle(QString projectName, Instant startTime, Instant endTime, double duration);
    // A record read back from a file keeps its stored identity.
    Tockle(QUuid id, QString projectName, Instant startTime, Instant endTime, double duration);
};

// Its members move by plain copying, which lets long record lists grow without per-element work.
Q_DECLARE_TYPEINFO(Tockle, Q_RELOCATABLE_TYPE);

enum class CodingKeys { id, projectName, startTime, endTime, duration };

inline constexpr CodingKeys allCodingKeys[] = {CodingKeys::id, CodingKeys::projectName,
                                               CodingKeys::startTime, CodingKeys::endTime,
                                               CodingKeys::duration};

QStringView stringValue(CodingKeys key);
std::optional<CodingKeys> codingKeyFromString(QStringView text);
// Keys have no integer form.
constexpr std::optional<int> intValue(CodingKeys) { return std::nullopt; }
constexpr std::optional<CodingKeys> codingKeyFromInt(int) { return std::nullopt; }
