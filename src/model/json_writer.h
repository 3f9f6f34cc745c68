#pragma once

#include "model/byte_writer.h"

#include <QString>
#include <QUuid>

// Compact JSON output as the data files have it: no white space, "/" escaped, non-ASCII as
// plain UTF-8, numbers as the shortest text that reads back to the same double.
class JsonWriter : public ByteWriter {
public:
    using ByteWriter::ByteWriter;

    void putString(const QString& text) { putUtf8String(text.toUtf8()); }
    void putUtf8String(QByteArrayView utf8);
    // The 36-character upper-case form, quotes included.
    void putUuid(const QUuid& id);
    // False for NaN and infinities, which JSON cannot hold; nothing is written then.
    bool putNumber(double value);
};
