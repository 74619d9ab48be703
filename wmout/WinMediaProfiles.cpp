#include "wmout/WinMediaProfiles.h"

#include "platform/com/Bstr.h"

#include <cstring>
#include <filesystem>
#include <fstream>

namespace zentar {

std::vector<std::string> list_profiles(const WinMediaLibrary& library) {
    std::vector<std::string> names;
    ComPtr<WinMediaWriter> writer;
    if (FAILED(library.createWriter(writer)))
        return names;
    for (int32_t index = 0;; ++index) {
        UniqueBstr name;
        const HRESULT hr = writer->GetProfileName(index, name.out());
        if (hr != S_OK)
            break;
        names.push_back(Utf8FromWide(name.view()));
    }
    return names;
}

namespace {

// The file's bytes as UTF-16 up to the first 0 character; nothing when unreadable.
std::optional<std::u16string> readProfileFile(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec))
        return std::nullopt;
    const uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxProfileFileBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (!in || !in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    // A trailing odd byte is not a whole character.
    std::u16string text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(char16_t));
    if (const auto end = text.find(u'\0'); end != std::u16string::npos)
        text.resize(end);
    return text;
}

} // namespace

std::optional<std::u16string> resolve_profile(const WinMediaLibrary& library,
                                              const std::string& setting) {
    ComPtr<WinMediaWriter> writer;
    if (FAILED(library.createWriter(writer)))
        return std::nullopt;
    std::u16string value = WideFromUtf8(setting);
    int32_t index = -1;
    writer->FindProfile(value.c_str(), &index);
    if (index != -1)
        return value;
    return readProfileFile(setting);
}

std::string profileDisplayName(const std::string& setting) {
    const auto slash = setting.rfind('/');
    return slash == std::string::npos ? setting : setting.substr(slash + 1);
}

} // namespace zentar
