#include "platform/profile/PrivateProfile.h"

namespace zentar {

namespace {
std::optional<std::string> readValue(std::string_view section, std::string_view key,
                                     const std::string& path) {
    IniFile file;
    if (!file.load(path))
        return std::nullopt;
    return file.get(section, key);
}

bool writeValue(std::string_view section, std::string_view key, std::string_view value,
                const std::string& path) {
    IniFile file;
    // An unreadable file is never overwritten: its other keys would be lost.
    return file.load(path) && file.set(section, key, value) && file.save(path);
}

size_t skipBlanksAndSign(std::string_view value, bool& negative) {
    size_t i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
        ++i;
    negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+'))
        negative = value[i++] == '-';
    return i;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
} // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path) {
    std::optional<std::string> value = readValue(section, key, path);
    return value ? std::move(*value) : std::string(defaultValue);
}

UINT ParseProfileInt(const std::optional<std::string>& value, int32_t defaultValue) {
    if (!value || value->empty())
        return static_cast<UINT>(defaultValue);
    bool negative = false;
    UINT result = 0;
    for (size_t i = skipBlanksAndSign(*value, negative); i < value->size() && isDigit((*value)[i]);
         ++i)
        result = result * 10u + static_cast<UINT>((*value)[i] - '0'); // wraps like the host
    return negative ? 0u - result : result;
}

UINT GetPrivateProfileInt(std::string_view section, std::string_view key, int32_t defaultValue,
                          const std::string& path) {
    return ParseProfileInt(readValue(section, key, path), defaultValue);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path) {
    return writeValue(section, key, value, path);
}

bool WritePrivateProfileInt(std::string_view section, std::string_view key, int32_t value,
                            const std::string& path) {
    return writeValue(section, key, std::to_string(value), path);
}

} // namespace zentar
