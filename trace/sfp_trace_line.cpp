#include "sfp_trace_line.h"

#include <cstring>

#include <nlohmann/json.hpp>

namespace sfptrace {

Line::Line(const char *call) noexcept : started(Clock::now())
{
    text("call", call, 64);
}

Line::Field *Line::add(const char *key, Field::Kind kind) noexcept
{
    // A key set twice keeps its first place and takes the later value.
    for (int i = 0; i < fieldCount; ++i) {
        if (std::strcmp(fields[i].key, key) == 0) {
            fields[i].kind = kind;
            return &fields[i];
        }
    }
    if (fieldCount == maxFields) {
        // A describer with more keys than room: its line is dropped.
        overflowed = true;
        return nullptr;
    }
    Field *field = &fields[fieldCount++];
    field->key = key;
    field->kind = kind;
    return field;
}

void Line::set(const char *key, long long value) noexcept
{
    if (Field *field = add(key, Field::Kind::integer))
        field->integer = value;
}

void Line::set(const char *key, double value) noexcept
{
    if (Field *field = add(key, Field::Kind::real))
        field->real = value;
}

void Line::text(const char *key, const char *value, size_t limit) noexcept
{
    if (Field *field = add(key, value != nullptr ? Field::Kind::text : Field::Kind::null)) {
        field->text = value;
        field->limit = limit;
    }
}

void Line::write(long long status) noexcept
{
    returned = Clock::now();
    set("status", status);
    if (overflowed)
        dropLine();
    else
        append(returned, *this);
}

std::string Line::build(double tMs, int thread) const
{
    // Written pair by pair, each value by the JSON library: a JSON object or
    // array allocates even to destroy itself, which out of memory would end
    // the program, and a scalar does not.
    using json = nlohmann::json;
    std::string out = "{";
    const auto pair = [&out](const char *key, const json &value) {
        if (out.size() > 1)
            out += ',';
        out += json(key).dump();
        out += ':';
        out += value.dump(-1, ' ', false, json::error_handler_t::replace);
    };
    // t_ms and thread lead the line, as in the journal; the call's own keys
    // follow in the order they were set.
    pair("t_ms", tMs);
    pair("thread", thread);
    for (int i = 0; i < fieldCount; ++i) {
        const Field &field = fields[i];
        switch (field.kind) {
        case Field::Kind::integer:
            pair(field.key, field.integer);
            break;
        case Field::Kind::real:
            // JSON has no NaN or infinity: such a value is written as text.
            if (field.real != field.real || field.real - field.real != 0.0)
                pair(field.key, std::to_string(field.real));
            else
                pair(field.key, field.real);
            break;
        case Field::Kind::text:
            pair(field.key, std::string(field.text, strnlen(field.text, field.limit)));
            break;
        case Field::Kind::null:
            pair(field.key, nullptr);
            break;
        }
    }
    pair("dur_ms", std::chrono::duration<double, std::milli>(returned - started).count());
    out += '}';
    return out;
}

} // namespace sfptrace
