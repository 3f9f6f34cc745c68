#include "model/json_writer.h"

#include <charconv>
#include <cmath>

void JsonWriter::putString(const QString& text)
{
    putUtf8String(text.toUtf8());
}

void JsonWriter::putUtf8String(QByteArrayView utf8)
{
    static constexpr char hex[] = "0123456789abcdef";
    bytes.append('"');
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
        bytes.append(run, p - run);
        run = p + 1;
        bytes.append('\\');
        if (escape) {
            bytes.append(escape);
        } else {
            const char u[] = {'u', '0', '0', hex[c >> 4], hex[c & 0xF]};
            bytes.append(u, sizeof u);
        }
    }
    bytes.append(run, end - run);
    bytes.append('"');
}

bool JsonWriter::putNumber(double value)
{
    if (!std::isfinite(value))
        return false;
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    bytes.append(buffer, result.ptr - buffer);
    return true;
}
