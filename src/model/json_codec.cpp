#include "model/json_codec.h"

#include "model/json_writer.h"

#include <simdjson.h>

#include <array>

namespace ondemand = simdjson::ondemand;

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isHyphenPosition(size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

// QString::fromUtf8 swallows a leading byte-order mark; a name may really start with U+FEFF.
QString textFromUtf8(std::string_view utf8)
{
    constexpr std::string_view bom = "\xEF\xBB\xBF";
    if (utf8.starts_with(bom)) {
        return QString(QChar(0xFEFF))
            + QString::fromUtf8(utf8.data() + bom.size(), qsizetype(utf8.size() - bom.size()));
    }
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
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

// Walks a value the decoder does not use, so that malformed JSON inside it still fails the file.
bool validate(ondemand::value value)
{
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
            if (element.get(inner) || !validate(inner))
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
            if (field.unescaped_key().get(key) || field.value().get(inner) || !validate(inner))
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
    case ondemand::json_type::null:
        return value.is_null();
    }
    return false;
}

std::optional<Tockle> decodeTockle(ondemand::value element)
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
            projectName = textFromUtf8(text);
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
bool forEachElement(const QByteArray& bytes, Each each)
{
    PaddedInput input(bytes);
    ondemand::parser parser;
    ondemand::document document;
    if (parser.iterate(input.view()).get(document))
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

} // namespace

qsizetype jsonReadPadding() { return qsizetype(simdjson::SIMDJSON_PADDING); }

QByteArray uuidText(const QUuid& id)
{
    const QByteArray raw = id.toRfc4122();
    QByteArray text(36, '-');
    size_t out = 0;
    for (int i = 0; i < 16; ++i) {
        if (isHyphenPosition(out))
            ++out;
        const auto byte = static_cast<unsigned char>(raw[i]);
        text[out++] = hexDigits[byte >> 4];
        text[out++] = hexDigits[byte & 0xF];
    }
    return text;
}

std::optional<QUuid> parseUuidText(std::string_view text)
{
    if (text.size() != 36)
        return std::nullopt;
    std::array<char, 16> raw{};
    int nibble = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (isHyphenPosition(i)) {
            if (text[i] != '-')
                return std::nullopt;
            continue;
        }
        const int v = hexValue(text[i]);
        if (v < 0)
            return std::nullopt;
        raw[nibble / 2] = char(raw[nibble / 2] | (nibble % 2 ? v : v << 4));
        ++nibble;
    }
    return QUuid::fromRfc4122(QByteArrayView(raw.data(), raw.size()));
}

std::optional<QByteArray> encodeTockles(const QList<Tockle>& tockles)
{
    JsonWriter out(2 + tockles.size() * 160);
    out.put('[');
    bool first = true;
    const QString* lastName = nullptr;
    QByteArray lastNameUtf8;
    for (const Tockle& t : tockles) {
        if (!first)
            out.put(',');
        first = false;
        out.putRaw(R"({"id":")", 7);
        const QByteArray id = uuidText(t.id);
        out.putRaw(id.constData(), id.size());
        out.putRaw(R"(","projectName":)", 16);
        // Records of one project usually come in runs; convert each run's name once.
        if (!lastName || *lastName != t.projectName) {
            lastName = &t.projectName;
            lastNameUtf8 = t.projectName.toUtf8();
        }
        out.putUtf8String(lastNameUtf8);
        out.putRaw(R"(,"startTime":)", 13);
        if (!out.putNumber(t.startTime.secondsSinceReference()))
            return std::nullopt;
        out.putRaw(R"(,"endTime":)", 11);
        if (!out.putNumber(t.endTime.secondsSinceReference()))
            return std::nullopt;
        out.putRaw(R"(,"duration":)", 12);
        if (!out.putNumber(t.duration))
            return std::nullopt;
        out.put('}');
    }
    out.put(']');
    return out.take();
}

std::optional<QList<Tockle>> decodeTockles(const QByteArray& bytes)
{
    QList<Tockle> tockles;
    const bool ok = forEachElement(bytes, [&](ondemand::value element) {
        std::optional<Tockle> tockle = decodeTockle(element);
        if (!tockle)
            return false;
        tockles.append(std::move(*tockle));
        return true;
    });
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
