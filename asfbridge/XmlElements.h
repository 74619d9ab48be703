// A small, strict XML reader for profile files: it checks that the text is well formed
// (balanced tags, quoted attributes, known entities, one root element) and returns the
// elements in document order with their attributes and parent. Character data is not
// kept: profile files carry everything in attributes. Element and attribute names are
// lower-cased, since profile files in the wild differ in letter case.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zentar::asfbridge {

struct XmlElement {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    int parent = -1; // index of the enclosing element, -1 for the root

    // The value of the attribute (name in lower case), or nullptr.
    const std::string* attribute(std::string_view attributeName) const;
};

inline constexpr size_t kMaxXmlElements = 100000;

// The elements of a UTF-8 document, or nothing when it is not well formed or holds
// more than kMaxXmlElements elements.
std::optional<std::vector<XmlElement>> parseXmlElements(std::string_view text);

} // namespace zentar::asfbridge
