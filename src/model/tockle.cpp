#include "model/tockle.h"

#include <utility>

Tockle::Tockle(QString projectName, Instant startTime, Instant endTime, double duration)
    : Tockle(QUuid::createUuid(), std::move(projectName), startTime, endTime, duration)
{
}

Tockle::Tockle(QUuid id, QString projectName, Instant startTime, Instant endTime, double duration)
    : id(id), projectName(std::move(projectName)), startTime(startTime), endTime(endTime),
      duration(duration)
{
}

QStringView stringValue(CodingKeys key)
{
    switch (key) {
    case CodingKeys::id: return u"id";
    case CodingKeys::projectName: return u"projectName";
    case CodingKeys::startTime: return u"startTime";
    case CodingKeys::endTime: return u"endTime";
    case CodingKeys::duration: return u"duration";
    }
    return {};
}

std::optional<CodingKeys> codingKeyFromString(QStringView text)
{
    for (CodingKeys key : allCodingKeys) {
        if (stringValue(key) == text)
            return key;
    }
    return std::nullopt;
}
