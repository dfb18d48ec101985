#pragma once
// A property bag: the named, typed values a host window's saved design keeps for one control.
// Keys are matched without regard to case and keep the order in which they were first written,
// so a control that writes its keys in a fixed order reads back in the same order.

#include "platform/widgets/drawing.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace corvane::controls {

/// The types a bag value can have.
enum class PropertyKind { Boolean, Integer, Long, Color, String, Font, Picture };

/// The name of a kind ("Boolean", "Integer", ...).
const char* PropertyKindName(PropertyKind kind);

/// One key a control persists, with the type it is written as.
struct PropertySpec {
    const char* key;
    PropertyKind kind;
};

/// Named, typed values with case-insensitive keys.
class PropertyBag {
public:
    /// One stored value: Boolean, 16-bit Integer, 32-bit Long, colour word, text, font, picture.
    using Value = std::variant<bool, std::int16_t, std::int32_t, platform::Color, std::string,
                               platform::Font, platform::Picture>;

    /// True when the key is present (any case).
    bool Contains(std::string_view key) const;
    /// The kind of the stored value, if the key is present.
    std::optional<PropertyKind> KindOf(std::string_view key) const;
    /// The keys in the order they were first written, with the case they were written in.
    std::vector<std::string> Keys() const;
    /// Number of keys.
    std::size_t Size() const { return entries_.size(); }
    /// Removes a key; true when it was present.
    bool Remove(std::string_view key);
    /// Removes every key.
    void Clear() { entries_.clear(); }

    /// Writes a Boolean (replacing any value of the key, keeping its place).
    void WriteBool(std::string_view key, bool v);
    /// Writes a 16-bit integer.
    void WriteInteger(std::string_view key, std::int16_t v);
    /// Writes a 32-bit integer.
    void WriteLong(std::string_view key, std::int32_t v);
    /// Writes a colour word.
    void WriteColor(std::string_view key, platform::Color v);
    /// Writes a text.
    void WriteString(std::string_view key, std::string v);
    /// Writes a font object.
    void WriteFont(std::string_view key, platform::Font v);
    /// Writes a picture object.
    void WritePicture(std::string_view key, platform::Picture v);
    /// Writes a value of any kind.
    void Write(std::string_view key, Value v);

    // Reads return the default when the key is missing or its value can't be taken as the type
    // asked for. Numbers, colours and Booleans convert into each other (a Boolean reads as -1
    // for True, as the saved designs store it; any nonzero number reads as True); a number
    // written as text converts when the whole text is a number.

    /// Reads a Boolean.
    bool ReadBool(std::string_view key, bool def) const;
    /// Reads a 16-bit integer (larger numbers are cut to the low 16 bits).
    std::int16_t ReadInteger(std::string_view key, std::int16_t def) const;
    /// Reads a 32-bit integer.
    std::int32_t ReadLong(std::string_view key, std::int32_t def) const;
    /// Reads a colour word.
    platform::Color ReadColor(std::string_view key, platform::Color def) const;
    /// Reads a text (numbers read as their decimal text).
    std::string ReadString(std::string_view key, std::string def) const;
    /// Reads a font object.
    platform::Font ReadFont(std::string_view key, platform::Font def) const;
    /// Reads a picture object.
    platform::Picture ReadPicture(std::string_view key, platform::Picture def) const;
    /// The raw stored value, if any.
    const Value* Find(std::string_view key) const;

    /// Parses text into a value of the kind and writes it: Booleans "true"/"false" (or "1"/"0",
    /// "-1"), numbers and colours in decimal or 0x hex, fonts as "name,size[,bold][,italic]
    /// [,underline][,strikethrough]", pictures as the path of an image Qt can read ("" for none).
    /// Returns false with an error message when the text does not fit the kind.
    bool WriteText(std::string_view key, PropertyKind kind, std::string_view text,
                   std::string& error);

private:
    struct Entry {
        std::string key;
        Value value;
    };
    Entry* FindEntry(std::string_view key);
    const Entry* FindEntry(std::string_view key) const;
    std::optional<std::int64_t> Number(std::string_view key) const;
    std::vector<Entry> entries_;
};

/// True when two keys are equal without regard to (ASCII) case.
bool KeyEquals(std::string_view a, std::string_view b);

} // namespace corvane::controls
