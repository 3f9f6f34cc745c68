#pragma once

#include <QString>

// Project names are equal when they are the same text under canonical equivalence:
// case-sensitive, nothing trimmed, precomposed and decomposed accents alike.
bool namesEqual(const QString& a, const QString& b);

// The canonical (NFC) form, for hashing names under that equality. Text below U+0300 is
// already canonical, so the common case costs one scan and no copy.
QString canonicalName(const QString& name);
