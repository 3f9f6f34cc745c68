#include "model/json_writer.h"

#include <charconv>
#include <cmath>

#include <array>

namespace {

constexpr char lowerHex[] = "0123456789abcdef";

// Both hex digits of every byte value, so a UUID takes one look-up per byte.
constexpr std::array<char, 512> upperHexPairs = [] {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<char, 512> table{};
    for (int i = 0; i < 256; ++i) {
        table[2 * i] = digits[i >> 4];
        table[2 * i + 1] = digits[i & 0xF];
    }
    return table;
}();

} // namespace

void JsonWriter::putUtf8String(QByteArrayView utf8)
{
    put('"');
    const char* run = utf8.data();
    const char* const end = utf8.data() + utf8.size();
    for (const char* p = run; p != end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        char escape = 0;
        switch (c) {
        case '"': escape = '"'; break;
        case '\\': escape = '\\'; break;
        case '/': escape = '/'; break;
        case '\b': escape = 'b'; break;
        case '\f': escape = 'f'; break;
        case '\n': escape = 'n'; break;
        case '\r': escape = 'r'; break;
        case '\t': escape = 't'; break;
        default:
            if (c >= 0x20)
                continue;
        }
        putRaw(run, p - run);
        run = p + 1;
        put('\\');
        if (escape) {
            put(escape);
        } else {
            const char u[] = {'u', '0', '0', lowerHex[c >> 4], lowerHex[c & 0xF]};
            putRaw(u, sizeof u);
        }
    }
    putRaw(run, end - run);
    put('"');
}

void JsonWriter::putUuid(const QUuid& id)
{
    const uchar raw[16] = {uchar(id.data1 >> 24), uchar(id.data1 >> 16), uchar(id.data1 >> 8),
                           uchar(id.data1),       uchar(id.data2 >> 8),  uchar(id.data2),
                           uchar(id.data3 >> 8),  uchar(id.data3),       id.data4[0],
                           id.data4[1],           id.data4[2],           id.data4[3],
                           id.data4[4],           id.data4[5],           id.data4[6],
                           id.data4[7]};
    char* const start = room(38);
    char* out = start;
    *out++ = '"';
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            *out++ = '-';
        std::memcpy(out, &upperHexPairs[2 * raw[i]], 2);
        out += 2;
    }
    *out = '"';
    advance(38);
}

bool JsonWriter::putNumber(double value)
{
    if (!std::isfinite(value))
        return false;
    char* out = room(32);
    advance(std::to_chars(out, out + 32, value).ptr - out);
    return true;
}
