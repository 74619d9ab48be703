#include "asfbridge/XmlElements.h"

#include "asfbridge/WideText.h"

#include <cstdint>

namespace zentar::asfbridge {

const std::string* XmlElement::attribute(std::string_view attributeName) const {
    for (const auto& [key, value] : attributes)
        if (key == attributeName)
            return &value;
    return nullptr;
}

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isNameStart(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || u >= 0x80;
}
bool isNameChar(char c) {
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Replaces the five predefined entities and character references; nothing when an
// entity is unknown or malformed.
std::optional<std::string> decodeEntities(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out.push_back(raw[i]);
            continue;
        }
        const size_t end = raw.find(';', i);
        if (end == std::string_view::npos || end - i > 10)
            return std::nullopt;
        const std::string_view entity = raw.substr(i + 1, end - i - 1);
        if (entity == "lt") {
            out.push_back('<');
        } else if (entity == "gt") {
            out.push_back('>');
        } else if (entity == "amp") {
            out.push_back('&');
        } else if (entity == "quot") {
            out.push_back('"');
        } else if (entity == "apos") {
            out.push_back('\'');
        } else if (entity.size() > 1 && entity[0] == '#') {
            const bool hex = entity[1] == 'x';
            const std::string_view digits = entity.substr(hex ? 2 : 1);
            if (digits.empty())
                return std::nullopt;
            uint32_t cp = 0;
            for (char c : digits) {
                int d;
                if (c >= '0' && c <= '9')
                    d = c - '0';
                else if (hex && c >= 'a' && c <= 'f')
                    d = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F')
                    d = c - 'A' + 10;
                else
                    return std::nullopt;
                cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
                if (cp > 0x10FFFF)
                    return std::nullopt;
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
                return std::nullopt;
            appendUtf8(out, cp);
        } else {
            return std::nullopt;
        }
        i = end;
    }
    return out;
}

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<std::vector<XmlElement>> run() {
        while (pos_ < text_.size()) {
            if (text_[pos_] != '<') {
                if (!skipText())
                    return std::nullopt;
            } else if (!markup()) {
                return std::nullopt;
            }
        }
        if (!open_.empty() || elements_.empty())
            return std::nullopt;
        return std::move(elements_);
    }

private:
    // Character data: allowed inside the root element only (whitespace anywhere).
    bool skipText() {
        const size_t next = text_.find('<', pos_);
        const size_t end = next == std::string_view::npos ? text_.size() : next;
        if (open_.empty())
            for (size_t i = pos_; i < end; ++i)
                if (!isSpace(text_[i]))
                    return false;
        pos_ = end;
        return true;
    }

    bool skipPast(std::string_view terminator) {
        const size_t end = text_.find(terminator, pos_);
        if (end == std::string_view::npos)
            return false;
        pos_ = end + terminator.size();
        return true;
    }

    bool markup() {
        const std::string_view rest = text_.substr(pos_);
        if (rest.starts_with("<?"))
            return skipPast("?>");
        if (rest.starts_with("<!--"))
            return skipPast("-->");
        if (rest.starts_with("<![CDATA["))
            return !open_.empty() && skipPast("]]>");
        if (rest.starts_with("<!")) {
            // A document type declaration, possibly with an internal subset.
            const size_t close = rest.find('>');
            const size_t bracket = rest.find('[');
            if (bracket != std::string_view::npos && bracket < close)
                return elements_.empty() && skipPast("]>");
            return elements_.empty() && skipPast(">");
        }
        if (rest.starts_with("</"))
            return endTag();
        return startTag();
    }

    std::optional<std::string> name() {
        const size_t start = pos_;
        if (pos_ >= text_.size() || !isNameStart(text_[pos_]))
            return std::nullopt;
        while (pos_ < text_.size() && isNameChar(text_[pos_]))
            ++pos_;
        return asciiLower(text_.substr(start, pos_ - start));
    }

    void skipSpace() {
        while (pos_ < text_.size() && isSpace(text_[pos_]))
            ++pos_;
    }

    bool endTag() {
        pos_ += 2;
        const auto tag = name();
        skipSpace();
        if (!tag || pos_ >= text_.size() || text_[pos_] != '>' || open_.empty() ||
            elements_[static_cast<size_t>(open_.back())].name != *tag)
            return false;
        ++pos_;
        open_.pop_back();
        return true;
    }

    bool attribute(XmlElement& element) {
        auto key = name();
        skipSpace();
        if (!key || pos_ >= text_.size() || text_[pos_] != '=')
            return false;
        ++pos_;
        skipSpace();
        if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\''))
            return false;
        const char quote = text_[pos_++];
        const size_t end = text_.find(quote, pos_);
        if (end == std::string_view::npos)
            return false;
        const std::string_view raw = text_.substr(pos_, end - pos_);
        if (raw.find('<') != std::string_view::npos || element.attribute(*key))
            return false;
        auto value = decodeEntities(raw);
        if (!value)
            return false;
        element.attributes.emplace_back(std::move(*key), std::move(*value));
        pos_ = end + 1;
        return true;
    }

    bool startTag() {
        // A second root element is not allowed.
        if (open_.empty() && !elements_.empty())
            return false;
        if (elements_.size() >= kMaxXmlElements)
            return false;
        ++pos_;
        XmlElement element;
        auto tag = name();
        if (!tag)
            return false;
        element.name = std::move(*tag);
        element.parent = open_.empty() ? -1 : open_.back();
        for (;;) {
            const size_t before = pos_;
            skipSpace();
            if (pos_ >= text_.size())
                return false;
            if (text_.substr(pos_).starts_with("/>")) {
                pos_ += 2;
                elements_.push_back(std::move(element));
                return true;
            }
            if (text_[pos_] == '>') {
                ++pos_;
                elements_.push_back(std::move(element));
                open_.push_back(static_cast<int>(elements_.size() - 1));
                return true;
            }
            // Attributes are separated from the name and from each other by space.
            if (pos_ == before || !attribute(element))
                return false;
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
    std::vector<XmlElement> elements_;
    std::vector<int> open_;
};

} // namespace

std::optional<std::vector<XmlElement>> parseXmlElements(std::string_view text) {
    return Parser(text).run();
}

} // namespace zentar::asfbridge
