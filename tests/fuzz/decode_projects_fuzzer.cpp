// Any input either fails to decode or decodes to names whose re-encoding decodes back to
// exactly the same names.
#include "model/json_codec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto decoded = decodeProjects(bytes);
    if (!decoded)
        return 0;
    const QByteArray encoded = encodeProjects(*decoded);
    const auto again = decodeProjects(encoded);
    if (!again || *again != *decoded || encodeProjects(*again) != encoded)
        std::abort();
    return 0;
}
