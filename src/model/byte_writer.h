#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <functional>

// One growing output buffer that values are formatted straight into: a whole history is one
// allocation, not one per value. With a sink, full chunks are handed on instead of kept.
class ByteWriter {
public:
    // Takes each full chunk of output; false stops the writer.
    using Sink = std::function<bool(const char* data, qsizetype size)>;

    explicit ByteWriter(qsizetype reserve = 0) { bytes.resize(reserve); }
    ByteWriter(Sink sink, qsizetype chunk) : sink(std::move(sink)), chunk(chunk) { bytes.resize(chunk + 4096); }

    // Space for at least n more bytes; advance() then says how many were used.
    char* room(qsizetype n)
    {
        if (used + n > bytes.size())
            bytes.resize(std::max(bytes.size() * 2, used + n + 256));
        return bytes.data() + used;
    }
    void advance(qsizetype n) { used += n; }

    void put(char c)
    {
        *room(1) = c;
        ++used;
    }
    void putRaw(const char* text, qsizetype size)
    {
        if (size == 0)
            return; // an empty QByteArray's data may be null, which memcpy must not see
        std::memcpy(room(size), text, size_t(size));
        used += size;
    }
    void putRaw(const QByteArray& text) { putRaw(text.constData(), text.size()); }

    QByteArray take()
    {
        bytes.resize(used);
        return std::move(bytes);
    }
    // With a sink: hands over a full chunk (or, with `all`, whatever is left). False once the
    // sink has refused anything.
    bool flush(bool all = false)
    {
        if (sink && !failed && used > 0 && (all || used >= chunk)) {
            failed = !sink(bytes.constData(), used);
            used = 0;
        }
        return !failed;
    }

private:
    QByteArray bytes;
    qsizetype used = 0;
    Sink sink;
    qsizetype chunk = 0;
    bool failed = false;
};
