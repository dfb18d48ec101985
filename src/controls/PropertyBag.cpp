// Property bags: a control's saved design as named, typed values.

#include "controls/PropertyBag.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace corvane::controls {

namespace {

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

/// Parses a whole decimal or 0x hex number (with an optional minus sign).
std::optional<std::int64_t> ParseNumber(std::string_view text) {
    const std::string t = Trim(text);
    if (t.empty())
        return std::nullopt;
    std::string_view v = t;
    bool negative = false;
    if (v.front() == '-' || v.front() == '+') {
        negative = v.front() == '-';
        v.remove_prefix(1);
    }
    int base = 10;
    if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
        base = 16;
        v.remove_prefix(2);
    }
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), value, base);
    if (ec != std::errc() || end != v.data() + v.size() || value > 0xFFFFFFFFull)
        return std::nullopt;
    const auto signedValue = static_cast<std::int64_t>(value);
    return negative ? -signedValue : signedValue;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

} // namespace

const char* PropertyKindName(PropertyKind kind) {
    switch (kind) {
    case PropertyKind::Boolean:
        return "Boolean";
    case PropertyKind::Integer:
        return "Integer";
    case PropertyKind::Long:
        return "Long";
    case PropertyKind::Color:
        return "Color";
    case PropertyKind::String:
        return "String";
    case PropertyKind::Font:
        return "Font";
    case PropertyKind::Picture:
        return "Picture";
    }
    return "?";
}

bool KeyEquals(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

PropertyBag::Entry* PropertyBag::FindEntry(std::string_view key) {
    for (Entry& e : entries_)
        if (KeyEquals(e.key, key))
            return &e;
    return nullptr;
}

const PropertyBag::Entry* PropertyBag::FindEntry(std::string_view key) const {
    for (const Entry& e : entries_)
        if (KeyEquals(e.key, key))
            return &e;
    return nullptr;
}

bool PropertyBag::Contains(std::string_view key) const {
    return FindEntry(key) != nullptr;
}

std::optional<PropertyKind> PropertyBag::KindOf(std::string_view key) const {
    const Entry* e = FindEntry(key);
    if (e == nullptr)
        return std::nullopt;
    return static_cast<PropertyKind>(e->value.index());
}

std::vector<std::string> PropertyBag::Keys() const {
    std::vector<std::string> keys;
    keys.reserve(entries_.size());
    for (const Entry& e : entries_)
        keys.push_back(e.key);
    return keys;
}

bool PropertyBag::Remove(std::string_view key) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& e) { return KeyEquals(e.key, key); });
    if (it == entries_.end())
        return false;
    entries_.erase(it);
    return true;
}

void PropertyBag::Write(std::string_view key, Value v) {
    if (Entry* e = FindEntry(key)) {
        e->value = std::move(v);
        return;
    }
    entries_.push_back(Entry{std::string(key), std::move(v)});
}

void PropertyBag::WriteBool(std::string_view key, bool v) {
    Write(key, Value(v));
}

void PropertyBag::WriteInteger(std::string_view key, std::int16_t v) {
    Write(key, Value(v));
}

void PropertyBag::WriteLong(std::string_view key, std::int32_t v) {
    Write(key, Value(v));
}

void PropertyBag::WriteColor(std::string_view key, platform::Color v) {
    Write(key, Value(v));
}

void PropertyBag::WriteString(std::string_view key, std::string v) {
    Write(key, Value(std::move(v)));
}

void PropertyBag::WriteFont(std::string_view key, platform::Font v) {
    Write(key, Value(std::move(v)));
}

void PropertyBag::WritePicture(std::string_view key, platform::Picture v) {
    Write(key, Value(std::move(v)));
}

const PropertyBag::Value* PropertyBag::Find(std::string_view key) const {
    const Entry* e = FindEntry(key);
    return e ? &e->value : nullptr;
}

std::optional<std::int64_t> PropertyBag::Number(std::string_view key) const {
    const Value* v = Find(key);
    if (v == nullptr)
        return std::nullopt;
    if (const bool* b = std::get_if<bool>(v))
        return *b ? -1 : 0;
    if (const std::int16_t* i = std::get_if<std::int16_t>(v))
        return *i;
    if (const std::int32_t* l = std::get_if<std::int32_t>(v))
        return *l;
    if (const platform::Color* c = std::get_if<platform::Color>(v))
        return static_cast<std::int32_t>(c->Value());
    if (const std::string* s = std::get_if<std::string>(v))
        return ParseNumber(*s);
    return std::nullopt;
}

bool PropertyBag::ReadBool(std::string_view key, bool def) const {
    if (const Value* v = Find(key))
        if (const std::string* s = std::get_if<std::string>(v)) {
            const std::string t = Lower(Trim(*s));
            if (t == "true")
                return true;
            if (t == "false")
                return false;
        }
    const auto n = Number(key);
    return n ? *n != 0 : def;
}

std::int16_t PropertyBag::ReadInteger(std::string_view key, std::int16_t def) const {
    const auto n = Number(key);
    return n ? static_cast<std::int16_t>(static_cast<std::uint16_t>(*n & 0xFFFF)) : def;
}

std::int32_t PropertyBag::ReadLong(std::string_view key, std::int32_t def) const {
    const auto n = Number(key);
    return n ? static_cast<std::int32_t>(static_cast<std::uint32_t>(*n & 0xFFFFFFFF)) : def;
}

platform::Color PropertyBag::ReadColor(std::string_view key, platform::Color def) const {
    const auto n = Number(key);
    return n ? platform::Color(static_cast<std::uint32_t>(*n & 0xFFFFFFFF)) : def;
}

std::string PropertyBag::ReadString(std::string_view key, std::string def) const {
    const Value* v = Find(key);
    if (v == nullptr)
        return def;
    if (const std::string* s = std::get_if<std::string>(v))
        return *s;
    if (std::holds_alternative<bool>(*v))
        return std::get<bool>(*v) ? "True" : "False";
    const auto n = Number(key);
    return n ? std::to_string(*n) : def;
}

platform::Font PropertyBag::ReadFont(std::string_view key, platform::Font def) const {
    const Value* v = Find(key);
    if (const platform::Font* f = v ? std::get_if<platform::Font>(v) : nullptr)
        return *f;
    return def;
}

platform::Picture PropertyBag::ReadPicture(std::string_view key, platform::Picture def) const {
    const Value* v = Find(key);
    if (const platform::Picture* p = v ? std::get_if<platform::Picture>(v) : nullptr)
        return *p;
    return def;
}

bool PropertyBag::WriteText(std::string_view key, PropertyKind kind, std::string_view text,
                            std::string& error) {
    const std::string t = Trim(text);
    switch (kind) {
    case PropertyKind::Boolean: {
        const std::string l = Lower(t);
        if (l == "true" || l == "1" || l == "-1") {
            WriteBool(key, true);
            return true;
        }
        if (l == "false" || l == "0") {
            WriteBool(key, false);
            return true;
        }
        error = std::string(key) + ": expected true or false, got \"" + t + "\"";
        return false;
    }
    case PropertyKind::Integer:
    case PropertyKind::Long:
    case PropertyKind::Color: {
        const auto n = ParseNumber(t);
        if (!n) {
            error = std::string(key) + ": expected a number (decimal or 0x hex), got \"" + t + "\"";
            return false;
        }
        if (kind == PropertyKind::Integer && (*n < -32768 || *n > 65535)) {
            error = std::string(key) + ": " + t + " does not fit a 16-bit integer";
            return false;
        }
        if (kind == PropertyKind::Integer)
            WriteInteger(key, static_cast<std::int16_t>(static_cast<std::uint16_t>(*n & 0xFFFF)));
        else if (kind == PropertyKind::Long)
            WriteLong(key, static_cast<std::int32_t>(static_cast<std::uint32_t>(*n & 0xFFFFFFFF)));
        else
            WriteColor(key, platform::Color(static_cast<std::uint32_t>(*n & 0xFFFFFFFF)));
        return true;
    }
    case PropertyKind::String:
        WriteString(key, std::string(text));
        return true;
    case PropertyKind::Font: {
        platform::Font font;
        std::vector<std::string> parts;
        std::size_t start = 0;
        while (start <= t.size()) {
            const std::size_t comma = t.find(',', start);
            parts.push_back(Trim(std::string_view(t).substr(
                start, comma == std::string::npos ? std::string::npos : comma - start)));
            if (comma == std::string::npos)
                break;
            start = comma + 1;
        }
        if (parts.empty() || parts[0].empty()) {
            error = std::string(key) + ": expected name,size[,bold][,italic]...";
            return false;
        }
        font.name = parts[0];
        if (parts.size() > 1) {
            const std::string& sz = parts[1];
            const auto [end, ec] = std::from_chars(sz.data(), sz.data() + sz.size(), font.size);
            if (ec != std::errc() || end != sz.data() + sz.size() || font.size <= 0) {
                error = std::string(key) + ": bad font size \"" + sz + "\"";
                return false;
            }
        }
        for (std::size_t i = 2; i < parts.size(); ++i) {
            const std::string a = Lower(parts[i]);
            if (a == "bold")
                font.bold = true;
            else if (a == "italic")
                font.italic = true;
            else if (a == "underline")
                font.underline = true;
            else if (a == "strikethrough")
                font.strikethrough = true;
            else {
                error = std::string(key) + ": unknown font attribute \"" + parts[i] + "\"";
                return false;
            }
        }
        WriteFont(key, font);
        return true;
    }
    case PropertyKind::Picture: {
        if (t.empty()) {
            WritePicture(key, platform::Picture{});
            return true;
        }
        platform::Picture picture = platform::LoadPicture(t);
        if (picture.IsNone()) {
            error = std::string(key) + ": can't read an image from \"" + t + "\"";
            return false;
        }
        WritePicture(key, std::move(picture));
        return true;
    }
    }
    error = "unknown kind";
    return false;
}

} // namespace corvane::controls
