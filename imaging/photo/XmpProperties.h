// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// A property or element name: its namespace, the prefix that the published
// examples write for it, and its local name.
struct XmpName {
    std::string_view uri;
    std::string_view prefix;
    std::string_view local;
};

// A forgiving reading of one XMP packet, enough for the few properties a
// photograph's depth map needs; no XML library, and no failure: what cannot
// be read is absent. A prefix counts for the namespace the packet binds it
// to (xmlns:P="..." anywhere in it), or, when the packet binds it nowhere,
// for the namespace whose usual prefix it is. A property may be an attribute
// (P:Name="value") or an element (<P:Name>value</P:Name>); values have their
// entities (&amp;, &#10;...) decoded. Tags are read with their quotes, so a
// '>' or a name inside a value is never taken for markup. The packet's text
// must outlive the reader: the parts it returns point into it.
class XmpPacket {
public:
    explicit XmpPacket(std::string_view text);

    // The first value of the property inside `within` (a part of the packet
    // that Elements returned, or the whole packet).
    std::optional<std::string> Property(const XmpName& name) const { return Property(name, text_); }
    std::optional<std::string> Property(const XmpName& name, std::string_view within) const;

    // Each element of this name inside `within`, from its start tag to the
    // end of its end tag (the rest of `within` when it has none); an element
    // inside another of the same name belongs to the outer one.
    std::vector<std::string_view> Elements(const XmpName& name) const { return Elements(name, text_); }
    std::vector<std::string_view> Elements(const XmpName& name, std::string_view within) const;

    std::string_view Text() const { return text_; }

private:
    bool Names(std::string_view qualified, const XmpName& name) const;

    std::string_view text_;
    std::map<std::string, std::string, std::less<>> namespaces_; // prefix -> namespace
};

// The text with its XML entities replaced by the characters they stand for;
// an entity that is not known stays as written.
std::string DecodeXmlEntities(std::string_view text);

// A property's value as a number, spaces around it allowed: a finite real
// ("29.3", "1e3"), or a whole number that is not negative; none when the
// property is absent or its value is no such number.
std::optional<double> RealValue(const std::optional<std::string>& value);
std::optional<std::uint64_t> CountValue(const std::optional<std::string>& value);

} // namespace velmora
