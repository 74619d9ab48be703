// IniFile: one private-profile (INI) text file held in memory, read and changed with the
// host's rules and written back atomically.
//
// Rules: section and key names are compared without regard to ASCII letter case and with
// surrounding blanks trimmed; the first matching section and the first matching key in it
// win on read. `set` replaces the value of an existing key in place, or appends the key
// after the last non-blank line of the first matching section, or appends the section at
// the end of the document. Every other line (other sections and keys, comments starting
// with ';', blank lines, keys before the first section, lines that are neither) is kept
// as it was. Input may use CR LF or LF, start with a UTF-8 byte-order mark (dropped) and
// lack a final line end; `text` and `save` end every line with LF.
//
// `save` never leaves a half-written file: it writes a temporary file in the target's
// folder, flushes it to disk and renames it over the target, so a crash or a full disk
// keeps the previous file whole. A plain value owned by one thread at a time.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zentar {

class IniFile {
public:
    // Reads the file at `path`. A missing file gives an empty document and true; a file
    // that exists but cannot be read gives false and leaves the document empty, so a
    // later save cannot wipe settings it never saw.
    bool load(const std::string& path);
    // Replaces the document with the given text.
    void parse(std::string_view text);

    // The value of the first matching key of the first matching section: trimmed of
    // blanks, one pair of enclosing matching quotes removed. nullopt when absent.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;

    // Sets a key as described above. Refuses (false, nothing changed) names that are empty
    // or could not be read back as written (line ends, '=' or ';' in a key, ']' in a
    // section) and values holding a line end, which would inject lines into the file.
    bool set(std::string_view section, std::string_view key, std::string_view value);

    // The document as file text, every line ended with LF.
    std::string text() const;

    // Writes `text()` to `path` atomically (see above). A symbolic link is followed and
    // its target replaced. Fails, leaving the old file untouched, when the target exists
    // but is read-only or when any step of the write fails.
    bool save(const std::string& path) const;

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        std::string raw; // the line as read or written, without its line end
        LineKind kind = LineKind::Other;
        std::string name; // section or key name, trimmed
    };
    static Line parseLine(std::string line);
    // Index of the header of the first section called `section`, or npos.
    size_t findSection(std::string_view section) const;
    // Index of `key` inside the section whose header is at `header`, or npos.
    size_t findKey(size_t header, std::string_view key) const;

    std::vector<Line> lines_;
};

// ASCII case-insensitive equality of two names, as the host compares section and key names.
bool ProfileNamesEqual(std::string_view a, std::string_view b);

} // namespace zentar
