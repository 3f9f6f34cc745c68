// Any input either fails to decode or decodes to records whose re-encoding decodes back to
// exactly the same records.
#include "model/json_codec.h"

#include <bit>
#include <cstdint>
#include <cstdlib>

namespace {

bool same(const Tockle& a, const Tockle& b)
{
    auto bits = [](double d) { return std::bit_cast<uint64_t>(d); };
    return a.id == b.id && a.projectName == b.projectName
        && bits(a.startTime.secondsSinceReference()) == bits(b.startTime.secondsSinceReference())
        && bits(a.endTime.secondsSinceReference()) == bits(b.endTime.secondsSinceReference())
        && bits(a.duration) == bits(b.duration);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto decoded = decodeTockles(bytes);
    if (!decoded)
        return 0;
    const auto encoded = encodeTockles(*decoded);
    if (!encoded)
        std::abort(); // whatever decodes is finite, so it must encode
    const auto again = decodeTockles(*encoded);
    if (!again || again->size() != decoded->size())
        std::abort();
    for (qsizetype i = 0; i < decoded->size(); ++i) {
        if (!same((*decoded)[i], (*again)[i]))
            std::abort();
    }
    if (encodeTockles(*again) != encoded)
        std::abort();
    return 0;
}
