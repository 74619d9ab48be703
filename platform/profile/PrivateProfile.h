// The host's private-profile functions over an INI file named by its path: read a text,
// an integer or a binary value of a key in a section, or write one. Each call reads the
// file afresh and each write replaces the file atomically (IniFile holds the rules); to
// change many keys at once, load an IniFile, set them and save it once. Reads never fail:
// a missing or unreadable file, section or key gives the caller's default. Writes return
// false when the file could not be written; the previous file then stays as it was.
#pragma once

#include "platform/profile/IniFile.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zentar {

using UINT = uint32_t;

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& path);

// The integer read of the host: the leading decimal number of the value (blanks and one
// sign allowed before it, anything after it ignored, 0 when there is none), wrapping
// modulo 2^32 like the host; `defaultValue` when the key is missing or its value empty.
// Callers wanting a signed value cast the result to int32_t.
UINT GetPrivateProfileInt(std::string_view section, std::string_view key, int32_t defaultValue,
                          const std::string& path);
// The same conversion applied to a value already read; nullopt stands for a missing key.
UINT ParseProfileInt(const std::optional<std::string>& value, int32_t defaultValue);

bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);
// Writes the value as signed decimal text.
bool WritePrivateProfileInt(std::string_view section, std::string_view key, int32_t value,
                            const std::string& path);

} // namespace zentar
