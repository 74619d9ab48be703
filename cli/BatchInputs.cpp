#include "cli/BatchInputs.h"

#include "resources/strings/StringTable.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace zentar {

namespace fs = std::filesystem;

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

BatchInputs::BatchInputs(const std::vector<std::string>& arguments,
                         const std::string& outputFolder) {
    for (const std::string& argument : arguments) {
        std::error_code error;
        const fs::file_status status = fs::status(argument, error);
        if (fs::is_directory(status) && !outputFolder.empty() &&
            fs::equivalent(argument, outputFolder, error)) {
            problems_.push_back(argument + ": is the output folder; its outputs are no inputs");
        } else if (fs::is_directory(status)) {
            searchFolder(argument, outputFolder);
        } else if (fs::exists(status)) {
            inputs_.push_back({argument, fs::path(argument).filename().string()});
        } else {
            problems_.push_back(argument + ": " +
                                (error ? error.message() : "no such file or folder"));
        }
    }
    std::sort(inputs_.begin(), inputs_.end(),
              [](const BatchInput& a, const BatchInput& b) { return a.path < b.path; });
    inputs_.erase(
        std::unique(inputs_.begin(), inputs_.end(),
                    [](const BatchInput& a, const BatchInput& b) { return a.path == b.path; }),
        inputs_.end());
}

void BatchInputs::searchFolder(const std::string& folder, const std::string& outputFolder) {
    std::error_code error;
    auto entries = fs::recursive_directory_iterator(
        folder, fs::directory_options::skip_permission_denied, error);
    for (auto it = entries; !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        std::error_code entryError;
        const bool directory = it->is_directory(entryError);
        if (name.starts_with(".") || (directory && !outputFolder.empty() &&
                                      fs::equivalent(path, outputFolder, entryError))) {
            if (directory)
                it.disable_recursion_pending();
            continue;
        }
        if (!directory && IsAcceptedName(name))
            inputs_.push_back({path.string(), path.lexically_relative(folder).string()});
    }
    if (error)
        problems_.push_back(folder + ": " + error.message());
}

std::vector<std::string> BatchInputs::AcceptedExtensions() {
    // "Video files (*.avi;*.mpg)|*.avi;*.mpg|All files|*.*||": the first filter's patterns.
    const std::string filter = LoadString(IDS_INPUT_FILTER_ALL_KINDS);
    const size_t start = filter.find('|') + 1;
    const std::string patterns = filter.substr(start, filter.find('|', start) - start);
    std::vector<std::string> extensions;
    size_t pos = 0;
    while (pos <= patterns.size()) {
        size_t end = patterns.find(';', pos);
        if (end == std::string::npos)
            end = patterns.size();
        const std::string pattern = patterns.substr(pos, end - pos);
        if (pattern.starts_with("*."))
            extensions.push_back(lowerCase(pattern.substr(1)));
        pos = end + 1;
    }
    return extensions;
}

bool BatchInputs::IsAcceptedName(const std::string& fileName) {
    static const std::vector<std::string> extensions = AcceptedExtensions();
    const std::string name = lowerCase(fileName);
    return std::any_of(extensions.begin(), extensions.end(), [&name](const std::string& ext) {
        return name.size() > ext.size() && name.ends_with(ext);
    });
}

std::pair<size_t, size_t> BatchInputs::ShardRange(size_t size, int index, int count) {
    const auto bound = [size, count](int i) {
        return static_cast<size_t>(static_cast<unsigned long long>(size) *
                                   static_cast<unsigned>(i) / static_cast<unsigned>(count));
    };
    return {bound(index), bound(index + 1)};
}

} // namespace zentar
