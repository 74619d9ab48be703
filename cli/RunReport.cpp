#include "cli/RunReport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace zentar {

namespace {

void appendString(std::string& json, std::string_view text) {
    json += '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            json += escaped;
        } else {
            json += c;
        }
    }
    json += '"';
}

// A reader of the JSON subset ToJson writes: one object of strings, numbers and arrays of
// strings. Every read returns false on text it does not expect.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool consume(char c) {
        skipBlanks();
        if (pos_ >= text_.size() || text_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }

    bool peek(char c) {
        skipBlanks();
        return pos_ < text_.size() && text_[pos_] == c;
    }

    bool atEnd() {
        skipBlanks();
        return pos_ == text_.size();
    }

    bool string(std::string& value) {
        if (!consume('"'))
            return false;
        value.clear();
        while (pos_ < text_.size()) {
            const char c = text_[pos_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                value += c;
                continue;
            }
            if (pos_ >= text_.size())
                return false;
            const char e = text_[pos_++];
            switch (e) {
            case 'n':
                value += '\n';
                break;
            case 't':
                value += '\t';
                break;
            case 'r':
                value += '\r';
                break;
            case 'b':
                value += '\b';
                break;
            case 'f':
                value += '\f';
                break;
            case 'u': {
                if (pos_ + 4 > text_.size())
                    return false;
                const std::string hex(text_.substr(pos_, 4));
                char* end = nullptr;
                const long code = std::strtol(hex.c_str(), &end, 16);
                if (end != hex.c_str() + 4)
                    return false;
                pos_ += 4;
                appendUtf8(value, static_cast<unsigned>(code));
                break;
            }
            default:
                value += e; // '"', '\\', '/'
            }
        }
        return false;
    }

    bool number(double& value) {
        skipBlanks();
        const size_t start = pos_;
        while (pos_ < text_.size() &&
               std::string_view("+-.0123456789eE").find(text_[pos_]) != std::string_view::npos)
            ++pos_;
        const std::string digits(text_.substr(start, pos_ - start));
        char* end = nullptr;
        value = std::strtod(digits.c_str(), &end);
        return !digits.empty() && end == digits.c_str() + digits.size() && std::isfinite(value);
    }

    bool strings(std::vector<std::string>& values) {
        if (!consume('['))
            return false;
        values.clear();
        if (consume(']'))
            return true;
        do {
            values.emplace_back();
            if (!string(values.back()))
                return false;
        } while (consume(','));
        return consume(']');
    }

private:
    void skipBlanks() {
        while (pos_ < text_.size() &&
               std::string_view(" \t\r\n").find(text_[pos_]) != std::string_view::npos)
            ++pos_;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string_view text_;
    size_t pos_ = 0;
};

} // namespace

std::string RunReport::ToJson() const {
    std::string json = "{\"input\":";
    appendString(json, input);
    json += ",\"outputs\":[";
    for (size_t i = 0; i < outputs.size(); ++i) {
        if (i > 0)
            json += ',';
        appendString(json, outputs[i]);
    }
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, "],\"scenes\":%lld,\"frames\":%llu,\"seconds\":%.3f",
                  static_cast<long long>(scenes), static_cast<unsigned long long>(frames), seconds);
    json += numbers;
    json += ",\"status\":";
    appendString(json, status);
    json += ",\"message\":";
    appendString(json, message);
    json += '}';
    return json;
}

std::optional<RunReport> RunReport::FromJson(std::string_view text) {
    Reader reader(text);
    RunReport report;
    if (!reader.consume('{'))
        return std::nullopt;
    bool more = !reader.consume('}');
    while (more) {
        std::string key;
        if (!reader.string(key) || !reader.consume(':'))
            return std::nullopt;
        double number = 0;
        std::string ignored;
        bool read = false;
        if (key == "input")
            read = reader.string(report.input);
        else if (key == "outputs")
            read = reader.strings(report.outputs);
        else if (key == "status")
            read = reader.string(report.status);
        else if (key == "message")
            read = reader.string(report.message);
        else if (reader.peek('"'))
            read = reader.string(ignored);
        else if ((read = reader.number(number))) {
            if (key == "scenes")
                report.scenes = static_cast<int64_t>(number);
            else if (key == "frames")
                report.frames = static_cast<uint64_t>(std::max(number, 0.0));
            else if (key == "seconds")
                report.seconds = number;
        }
        if (!read)
            return std::nullopt;
        more = reader.consume(',');
        if (!more && !reader.consume('}'))
            return std::nullopt;
    }
    if (!reader.atEnd())
        return std::nullopt;
    return report;
}

} // namespace zentar
