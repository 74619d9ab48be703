// The program's handling of Windows Media profiles: the list of the library's profile
// names for the main window, turning the "MediaProfile" setting into the profile value
// handed to the writer's Open (a profile name the library knows, or the UTF-16 text of a
// profile file), and the short form of the setting shown in the profile list. Each call
// creates and releases its own writer. Qt-free; called from the thread owning the
// library.
#pragma once

#include "wmout/WinMediaLibrary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zentar {

// Largest profile file read (real ones are a few KB); a larger file gives no value.
inline constexpr uintmax_t kMaxProfileFileBytes = uintmax_t{32} << 20;

// The library's profile names in its order; empty when the library is missing.
std::vector<std::string> list_profiles(const WinMediaLibrary& library);

// The profile value for the setting: the setting itself when the library knows a profile
// of that name; otherwise the bytes of the file the setting names, taken as UTF-16 up to
// the first 0 character or the end (a byte-order mark stays part of the text). Nothing
// when the library is missing or the file cannot be read (or is larger than
// kMaxProfileFileBytes).
std::optional<std::u16string> resolve_profile(const WinMediaLibrary& library,
                                              const std::string& setting);

// The setting as the profile list shows it: a path's file name with its extension, a
// plain profile name as itself.
std::string profileDisplayName(const std::string& setting);

} // namespace zentar
