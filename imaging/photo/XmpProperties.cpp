// SPDX-License-Identifier: GPL-3.0-or-later

#include "imaging/photo/XmpProperties.h"

#include <charconv>
#include <cmath>

namespace velmora {
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// A start or end tag; offsets count in the text it was read from.
struct Tag {
    std::string_view name;
    std::string_view attributes; // between the name and the end of the tag
    std::size_t begin = 0;       // at its '<'
    std::size_t end = 0;         // after its '>'
    bool closing = false;        // </name>
    bool selfClosing = false;    // <name ... />
};

// The next tag from `at` on, past comments, processing instructions, CDATA
// and declarations; none at the end of the text or where a tag never ends.
std::optional<Tag> NextTag(std::string_view text, std::size_t at)
{
    constexpr std::pair<std::string_view, std::string_view> kPassedOver[] = {{"<!--", "-->"},
                                                                             {"<![CDATA[", "]]>"},
                                                                             {"<?", "?>"},
                                                                             {"<!", ">"}};
    for (;;) {
        const std::size_t open = text.find('<', at);
        if (open == std::string_view::npos)
            return std::nullopt;
        const std::string_view rest = text.substr(open);
        bool passed = false;
        for (const auto& [start, stop] : kPassedOver)
            if (rest.starts_with(start)) {
                const std::size_t close = text.find(stop, open + start.size());
                if (close == std::string_view::npos)
                    return std::nullopt;
                at = close + stop.size();
                passed = true;
                break;
            }
        if (passed)
            continue;
        Tag tag;
        tag.begin = open;
        std::size_t i = open + 1;
        if (i < text.size() && text[i] == '/') {
            tag.closing = true;
            ++i;
        }
        const std::size_t nameStart = i;
        while (i < text.size() && !IsSpace(text[i]) && text[i] != '>' && text[i] != '/')
            ++i;
        tag.name = text.substr(nameStart, i - nameStart);
        const std::size_t attributesStart = i;
        char quote = 0;
        for (; i < text.size(); ++i) {
            const char c = text[i];
            if (quote != 0) {
                if (c == quote)
                    quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        if (i >= text.size())
            return std::nullopt;
        tag.end = i + 1;
        std::size_t attributesEnd = i;
        if (attributesEnd > attributesStart && text[attributesEnd - 1] == '/') {
            tag.selfClosing = true;
            --attributesEnd;
        }
        tag.attributes = text.substr(attributesStart, attributesEnd - attributesStart);
        return tag;
    }
}

struct Attribute {
    std::string_view name;
    std::string_view value;
};

// The next name="value" (or 'value') of a tag's attributes from `at` on,
// moving `at` past it; a name without a value has an empty one.
std::optional<Attribute> NextAttribute(std::string_view attributes, std::size_t& at)
{
    const auto skipSpaces = [&] {
        while (at < attributes.size() && IsSpace(attributes[at]))
            ++at;
    };
    skipSpaces();
    if (at >= attributes.size())
        return std::nullopt;
    const std::size_t nameStart = at;
    while (at < attributes.size() && !IsSpace(attributes[at]) && attributes[at] != '=')
        ++at;
    Attribute attribute {attributes.substr(nameStart, at - nameStart), {}};
    skipSpaces();
    if (at >= attributes.size() || attributes[at] != '=')
        return attribute;
    ++at;
    skipSpaces();
    if (at >= attributes.size())
        return attribute;
    const char quote = attributes[at];
    if (quote == '"' || quote == '\'') {
        const std::size_t close = attributes.find(quote, at + 1);
        const std::size_t end = close == std::string_view::npos ? attributes.size() : close;
        attribute.value = attributes.substr(at + 1, end - at - 1);
        at = end == attributes.size() ? end : end + 1;
    } else {
        const std::size_t start = at;
        while (at < attributes.size() && !IsSpace(attributes[at]))
            ++at;
        attribute.value = attributes.substr(start, at - start);
    }
    return attribute;
}

void AppendUtf8(std::uint32_t code, std::string& out)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// What the entity between '&' and ';' stands for, appended; false when it
// is no entity this reader knows.
bool AppendEntity(std::string_view entity, std::string& out)
{
    constexpr std::pair<std::string_view, char> kNamed[] = {{"amp", '&'},
                                                            {"lt", '<'},
                                                            {"gt", '>'},
                                                            {"quot", '"'},
                                                            {"apos", '\''}};
    for (const auto& [name, character] : kNamed)
        if (entity == name) {
            out += character;
            return true;
        }
    if (entity.size() < 2 || entity.front() != '#')
        return false;
    const bool hex = entity[1] == 'x' || entity[1] == 'X';
    const std::string_view digits = entity.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (error != std::errc() || end != digits.data() + digits.size() || code == 0 || code > 0x10FFFF)
        return false;
    AppendUtf8(code, out);
    return true;
}

} // namespace

XmpPacket::XmpPacket(std::string_view text)
    : text_(text)
{
    constexpr std::string_view kBinding = "xmlns:";
    std::size_t at = 0;
    while (const auto tag = NextTag(text_, at)) {
        at = tag->end;
        if (tag->closing)
            continue;
        for (std::size_t next = 0; auto attribute = NextAttribute(tag->attributes, next);)
            if (attribute->name.starts_with(kBinding))
                namespaces_.emplace(attribute->name.substr(kBinding.size()), DecodeXmlEntities(attribute->value));
    }
}

bool XmpPacket::Names(std::string_view qualified, const XmpName& name) const
{
    const std::size_t colon = qualified.find(':');
    if (colon == std::string_view::npos || qualified.substr(colon + 1) != name.local)
        return false;
    const std::string_view prefix = qualified.substr(0, colon);
    const auto bound = namespaces_.find(prefix);
    return bound != namespaces_.end() ? bound->second == name.uri : prefix == name.prefix;
}

std::optional<std::string> XmpPacket::Property(const XmpName& name, std::string_view within) const
{
    std::size_t at = 0;
    while (const auto tag = NextTag(within, at)) {
        at = tag->end;
        if (tag->closing)
            continue;
        for (std::size_t next = 0; auto attribute = NextAttribute(tag->attributes, next);)
            if (Names(attribute->name, name))
                return DecodeXmlEntities(attribute->value);
        if (Names(tag->name, name) && !tag->selfClosing) {
            // The element's own text, up to the next tag: its end tag, or a
            // structure (rdf:Alt...) that is not read here.
            const std::size_t next = std::min(within.find('<', tag->end), within.size());
            const std::string_view text = Trimmed(within.substr(tag->end, next - tag->end));
            if (!text.empty())
                return DecodeXmlEntities(text);
        }
    }
    return std::nullopt;
}

std::vector<std::string_view> XmpPacket::Elements(const XmpName& name, std::string_view within) const
{
    std::vector<std::string_view> elements;
    std::size_t at = 0;
    while (const auto tag = NextTag(within, at)) {
        at = tag->end;
        if (tag->closing || !Names(tag->name, name))
            continue;
        std::size_t end = tag->end;
        if (!tag->selfClosing) {
            end = within.size();
            int depth = 1;
            for (auto inner = NextTag(within, at); inner; inner = NextTag(within, inner->end)) {
                if (inner->selfClosing || !Names(inner->name, name))
                    continue;
                depth += inner->closing ? -1 : 1;
                if (depth == 0) {
                    end = inner->end;
                    break;
                }
            }
        }
        elements.push_back(within.substr(tag->begin, end - tag->begin));
        at = end;
    }
    return elements;
}

std::string DecodeXmlEntities(std::string_view text)
{
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t semicolon = text[i] == '&' ? text.find(';', i) : std::string_view::npos;
        // Entities are short; a lone '&' far from any ';' stays as it is.
        if (semicolon != std::string_view::npos && semicolon - i <= 10 &&
            AppendEntity(text.substr(i + 1, semicolon - i - 1), decoded)) {
            i = semicolon + 1;
        } else {
            decoded += text[i++];
        }
    }
    return decoded;
}

std::optional<double> RealValue(const std::optional<std::string>& value)
{
    if (!value)
        return std::nullopt;
    const std::string_view text = Trimmed(*value);
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<std::uint64_t> CountValue(const std::optional<std::string>& value)
{
    if (!value)
        return std::nullopt;
    const std::string_view text = Trimmed(*value);
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

} // namespace velmora
