#include "model/project_name.h"

#include <algorithm>

namespace {

// No code point below U+0300 combines with another or has a canonical decomposition that NFC
// keeps apart, so such text is its own NFC form.
bool isTriviallyCanonical(const QString& s)
{
    return std::all_of(s.cbegin(), s.cend(), [](QChar c) { return c.unicode() < 0x300; });
}

} // namespace

QString canonicalName(const QString& name)
{
    if (isTriviallyCanonical(name))
        return name;
    return name.normalized(QString::NormalizationForm_C);
}

bool namesEqual(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    if (isTriviallyCanonical(a) && isTriviallyCanonical(b))
        return false;
    return canonicalName(a) == canonicalName(b);
}
