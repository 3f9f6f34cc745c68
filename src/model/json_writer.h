#pragma once

#include <QByteArray>
#include <QString>

// Compact JSON output as the data files have it: no white space, "/" escaped, non-ASCII as
// plain UTF-8, numbers as the shortest text that reads back to the same double.
class JsonWriter {
public:
    explicit JsonWriter(qsizetype reserve = 0) { bytes.reserve(reserve); }

    void put(char c) { bytes.append(c); }
    void putRaw(const char* text, qsizetype size) { bytes.append(text, size); }
    void putString(const QString& text);
    void putUtf8String(QByteArrayView utf8);
    // False for NaN and infinities, which JSON cannot hold; nothing is written then.
    bool putNumber(double value);

    QByteArray take() { return std::move(bytes); }

private:
    QByteArray bytes;
};
