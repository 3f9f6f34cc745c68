#pragma once

#include "model/tockle.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>
#include <optional>

// The two data files. Decoding is all or nothing: one bad element fails the whole file.
// Buffers with room for the parser's padding past their end are read without a copy.
std::optional<QByteArray> encodeTockles(const QList<Tockle>& tockles);
// The same bytes handed to `sink` in chunks as they are made, so a large history never sits in
// memory twice. False when a number cannot be written or the sink refuses a chunk; what was
// handed over until then is not a complete file.
bool encodeTockles(const QList<Tockle>& tockles, const std::function<bool(const char*, qsizetype)>& sink);
// What follows the encoding of the first `from` records (from > 0) once its closing "]" is
// cut off: the bytes of the later records and the "]". Both together are exactly the bytes of
// the whole list.
bool encodeTocklesFrom(const QList<Tockle>& tockles, qsizetype from,
                       const std::function<bool(const char*, qsizetype)>& sink);
std::optional<QList<Tockle>> decodeTockles(const QByteArray& bytes);
QByteArray encodeProjects(const QStringList& projects);
std::optional<QStringList> decodeProjects(const QByteArray& bytes);

// How many bytes a reader should keep spare after the data it hands to the decoders.
qsizetype jsonReadPadding();

// The 36-character upper-case text of a UUID, and the strict reverse: 8-4-4-4-12 hex digits
// of either case and nothing else (no braces, no trailing characters).
QByteArray uuidText(const QUuid& id);
std::optional<QUuid> parseUuidText(std::string_view text);
