#include "model/json_codec.h"

#include "model/json_writer.h"

// Every result is checked by hand; without exceptions no unchecked path can throw on bad input.
#define SIMDJSON_EXCEPTIONS 0
#include <simdjson.h>

#include <QHash>
#include <QStringDecoder>

#include <array>
#include <string>
#include <unordered_map>

namespace ondemand = simdjson::ondemand;

namespace {

constexpr std::array<signed char, 256> hexTable = [] {
    std::array<signed char, 256> table{};
    table.fill(-1);
    for (int i = 0; i < 10; ++i)
        table['0' + i] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        table['a' + i] = static_cast<signed char>(10 + i);
        table['A' + i] = static_cast<signed char>(10 + i);
    }
    return table;
}();

int hexValue(char c) { return hexTable[static_cast<unsigned char>(c)]; }

bool isHyphenPosition(size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

// QString::fromUtf8 swallows a leading byte-order mark, but a name may really start with
// U+FEFF (even several); the text is valid UTF-8 already, checked by the parser.
QString textFromUtf8(std::string_view utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
}

// A padded view of the bytes, copying only when the buffer has no spare room.
class PaddedInput {
public:
    explicit PaddedInput(const QByteArray& bytes)
    {
        std::string_view view(bytes.constData(), size_t(bytes.size()));
        // A byte-order mark is not JSON, but dropping it loses nothing and keeps such a file.
        if (view.starts_with("\xEF\xBB\xBF"))
            view.remove_prefix(3);
        if (bytes.capacity() - bytes.size() >= qsizetype(simdjson::SIMDJSON_PADDING)) {
            input = simdjson::padded_string_view(view.data(), view.size(),
                                                 view.size() + simdjson::SIMDJSON_PADDING);
        } else {
            copy = simdjson::padded_string(view);
            input = copy;
        }
    }
    simdjson::padded_string_view view() const { return input; }

private:
    simdjson::padded_string copy;
    simdjson::padded_string_view input;
};

// Deeper than this, a value the decoder does not use fails the file: no hand-edited file may
// exhaust the stack (each level is one call below).
constexpr int maxIgnoredDepth = 256;

// Walks a value the decoder does not use, so that malformed JSON inside it still fails the file.
bool validate(ondemand::value value, int depth = 0)
{
    if (depth > maxIgnoredDepth)
        return false;
    ondemand::json_type type;
    if (value.type().get(type))
        return false;
    switch (type) {
    case ondemand::json_type::array: {
        ondemand::array array;
        if (value.get_array().get(array))
            return false;
        for (auto element : array) {
            ondemand::value inner;
            if (element.get(inner) || !validate(inner, depth + 1))
                return false;
        }
        return true;
    }
    case ondemand::json_type::object: {
        ondemand::object object;
        if (value.get_object().get(object))
            return false;
        for (auto field : object) {
            std::string_view key;
            ondemand::value inner;
            if (field.unescaped_key().get(key) || field.value().get(inner) || !validate(inner, depth + 1))
                return false;
        }
        return true;
    }
    case ondemand::json_type::string: {
        std::string_view text;
        return !value.get_string().get(text);
    }
    case ondemand::json_type::number: {
        double number;
        return !value.get_double().get(number);
    }
    case ondemand::json_type::boolean: {
        bool flag;
        return !value.get_bool().get(flag);
    }
    case ondemand::json_type::null: {
        bool isNull = false;
        return !value.is_null().get(isNull) && isNull;
    }
    }
    return false;
}

// Histories repeat a few dozen names many thousand times; equal names share one string, which
// saves a conversion per record and most of the memory.
class NameTable {
public:
    const QString& intern(std::string_view utf8)
    {
        auto it = names.find(utf8);
        if (it == names.end())
            it = names.emplace(utf8, textFromUtf8(utf8)).first;
        return it->second;
    }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    // Keys are owned: the parser's string buffer is reused from one slice of the file to the next.
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> names;
};

std::optional<Tockle> decodeTockle(ondemand::value element, NameTable& names)
{
    ondemand::object object;
    if (element.get_object().get(object))
        return std::nullopt;

    std::optional<QUuid> id;
    std::optional<QString> projectName;
    std::optional<double> numbers[3];
    for (auto field : object) {
        std::string_view key;
        ondemand::value value;
        if (field.unescaped_key().get(key) || field.value().get(value))
            return std::nullopt;
        if (key == "id") {
            std::string_view text;
            if (value.get_string().get(text) || !(id = parseUuidText(text)))
                return std::nullopt;
        } else if (key == "projectName") {
            std::string_view text;
            if (value.get_string().get(text))
                return std::nullopt;
            projectName = names.intern(text);
        } else if (key == "startTime" || key == "endTime" || key == "duration") {
            double number;
            if (value.get_double().get(number))
                return std::nullopt;
            numbers[key == "startTime" ? 0 : key == "endTime" ? 1 : 2] = number;
        } else if (!validate(value)) {
            return std::nullopt;
        }
    }
    if (!id || !projectName || !numbers[0] || !numbers[1] || !numbers[2])
        return std::nullopt;
    return Tockle(*id, std::move(*projectName), Instant::fromReferenceSeconds(*numbers[0]),
                  Instant::fromReferenceSeconds(*numbers[1]), *numbers[2]);
}

// Runs `each` on every element of the top-level array; fails on anything else, including
// content after the array (the on-demand parser does not look there by itself).
template <typename Each>
bool forEachElement(ondemand::parser& parser, simdjson::padded_string_view input, Each each)
{
    ondemand::document document;
    if (parser.iterate(input).get(document))
        return false;
    ondemand::array array;
    if (document.get_array().get(array))
        return false;
    for (auto element : array) {
        ondemand::value value;
        if (element.get(value) || !each(value))
            return false;
    }
    return document.current_location().error() == simdjson::OUT_OF_BOUNDS;
}

template <typename Each>
bool forEachElement(const QByteArray& bytes, Each each)
{
    // One mark only: later simdjson releases skip one of their own, which would let a second through.
    if (bytes.startsWith("\xEF\xBB\xBF\xEF\xBB\xBF"))
        return false;
    PaddedInput input(bytes);
    ondemand::parser parser;
    return forEachElement(parser, input.view(), each);
}

// The parser needs several times the bytes it is given; a long history is therefore read a
// slice of whole records at a time, so that this stays small however many years the file holds.
constexpr size_t sliceBytes = size_t(1) << 20;

bool isJsonSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// A comma between "}" and "{" before `limit`, past `from`: where one record may end and the
// next begin. Only a guess, since a name may hold the same characters; a slice cut inside a
// string ends unclosed and fails its parse.
size_t recordBreakBefore(std::string_view text, size_t from, size_t limit)
{
    for (size_t at = text.rfind(',', limit); at != std::string_view::npos && at > from;
         at = text.rfind(',', at - 1)) {
        size_t before = at - 1;
        while (before > from && isJsonSpace(text[before]))
            --before;
        size_t after = at + 1;
        while (after < text.size() && isJsonSpace(text[after]))
            ++after;
        if (text[before] == '}' && after < text.size() && text[after] == '{')
            return at;
    }
    return std::string_view::npos;
}

// The elements of the top-level array, slice by slice: each slice is parsed as an array of its
// own, with every rule of the whole. When a slice fails, the whole file is parsed at once and
// decides (`restart` forgets what the slices gave), so a file is accepted exactly when it would be
// as one piece.
template <typename Each, typename Restart>
bool forEachElementInSlices(const QByteArray& bytes, Each each, Restart restart)
{
    std::string_view text(bytes.constData(), size_t(bytes.size()));
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    size_t at = 0;
    while (at < text.size() && isJsonSpace(text[at]))
        ++at;
    if (text.size() - at <= 2 * sliceBytes || text[at] != '[')
        return forEachElement(bytes, each);

    ondemand::parser parser;
    std::string slice;
    const auto parseSlice = [&](std::string_view records, bool last) {
        slice.reserve(records.size() + 2 + simdjson::SIMDJSON_PADDING);
        slice.assign(1, '[');
        slice.append(records);
        if (!last)
            slice.push_back(']');
        return forEachElement(parser, simdjson::padded_string_view(slice.data(), slice.size(), slice.capacity()), each);
    };
    ++at;
    while (text.size() - at > 2 * sliceBytes) {
        const size_t cut = recordBreakBefore(text, at, at + sliceBytes);
        if (cut == std::string_view::npos || !parseSlice(text.substr(at, cut - at), false))
            break;
        at = cut + 1;
    }
    if (text.size() - at <= 2 * sliceBytes && parseSlice(text.substr(at), true))
        return true;
    restart();
    return forEachElement(bytes, each);
}

} // namespace

qsizetype jsonReadPadding() { return qsizetype(simdjson::SIMDJSON_PADDING); }

QByteArray uuidText(const QUuid& id)
{
    JsonWriter out;
    out.putUuid(id);
    return out.take().mid(1, 36);
}

std::optional<QUuid> parseUuidText(std::string_view text)
{
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' || text[23] != '-')
        return std::nullopt;
    uchar raw[16];
    size_t at = 0;
    for (uchar& byte : raw) {
        if (isHyphenPosition(at))
            ++at;
        const int hi = hexValue(text[at]);
        const int lo = hexValue(text[at + 1]);
        if ((hi | lo) < 0)
            return std::nullopt;
        byte = uchar(hi << 4 | lo);
        at += 2;
    }
    return QUuid(uint(raw[0]) << 24 | uint(raw[1]) << 16 | uint(raw[2]) << 8 | raw[3],
                 ushort(raw[4] << 8 | raw[5]), ushort(raw[6] << 8 | raw[7]), raw[8], raw[9],
                 raw[10], raw[11], raw[12], raw[13], raw[14], raw[15]);
}

namespace {

// The records from `from` on; from the first, the whole array, otherwise what follows the
// array of the earlier records once its closing bracket is taken off.
bool writeTockles(const QList<Tockle>& tockles, qsizetype from, JsonWriter& out)
{
    // Each distinct name is converted and escaped once; records share their name's storage.
    QHash<std::pair<const QChar*, qsizetype>, QByteArray> nameJson;
    std::pair<const QChar*, qsizetype> lastKey{nullptr, -1};
    const QByteArray* lastJson = nullptr;
    if (from == 0)
        out.put('[');
    for (qsizetype i = from; i < tockles.size(); ++i) {
        const Tockle& t = tockles[i];
        if (i)
            out.put(',');
        out.putRaw(R"({"id":)", 6);
        out.putUuid(t.id);
        out.putRaw(R"(,"projectName":)", 15);
        const std::pair<const QChar*, qsizetype> key{t.projectName.constData(), t.projectName.size()};
        if (key != lastKey) {
            auto name = nameJson.constFind(key);
            if (name == nameJson.cend()) {
                JsonWriter text;
                text.putString(t.projectName);
                name = nameJson.insert(key, text.take());
            }
            lastKey = key;
            lastJson = &name.value();
        }
        out.putRaw(*lastJson);
        out.putRaw(R"(,"startTime":)", 13);
        if (!out.putNumber(t.startTime.secondsSinceReference()))
            return false;
        out.putRaw(R"(,"endTime":)", 11);
        if (!out.putNumber(t.endTime.secondsSinceReference()))
            return false;
        out.putRaw(R"(,"duration":)", 12);
        if (!out.putNumber(t.duration))
            return false;
        out.put('}');
        if (!out.flush())
            return false;
    }
    out.put(']');
    return out.flush(true);
}

} // namespace

std::optional<QByteArray> encodeTockles(const QList<Tockle>& tockles)
{
    JsonWriter out(2 + tockles.size() * 180);
    if (!writeTockles(tockles, 0, out))
        return std::nullopt;
    return out.take();
}

bool encodeTockles(const QList<Tockle>& tockles, const std::function<bool(const char*, qsizetype)>& sink)
{
    return encodeTocklesFrom(tockles, 0, sink);
}

bool encodeTocklesFrom(const QList<Tockle>& tockles, qsizetype from,
                       const std::function<bool(const char*, qsizetype)>& sink)
{
    constexpr qsizetype chunk = 1 << 20;
    JsonWriter out(sink, chunk);
    return writeTockles(tockles, from, out);
}

std::optional<QList<Tockle>> decodeTockles(const QByteArray& bytes)
{
    QList<Tockle> tockles;
    NameTable names;
    const auto add = [&](ondemand::value element) {
        std::optional<Tockle> tockle = decodeTockle(element, names);
        if (!tockle)
            return false;
        tockles.append(std::move(*tockle));
        return true;
    };
    const bool ok = forEachElementInSlices(bytes, add, [&] { tockles.clear(); });
    if (!ok)
        return std::nullopt;
    return tockles;
}

QByteArray encodeProjects(const QStringList& projects)
{
    JsonWriter out(2 + projects.size() * 24);
    out.put('[');
    for (qsizetype i = 0; i < projects.size(); ++i) {
        if (i)
            out.put(',');
        out.putString(projects[i]);
    }
    out.put(']');
    return out.take();
}

std::optional<QStringList> decodeProjects(const QByteArray& bytes)
{
    QStringList projects;
    const bool ok = forEachElement(bytes, [&](ondemand::value element) {
        std::string_view text;
        if (element.get_string().get(text))
            return false;
        projects.append(textFromUtf8(text));
        return true;
    });
    if (!ok)
        return std::nullopt;
    return projects;
}
