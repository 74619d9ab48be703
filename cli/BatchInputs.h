// BatchInputs: the inputs of a batch. Files named on the command line are taken as they
// are; folders are searched (below, without following links to folders, skipping hidden
// entries and the output folder) for files with the extensions the window's open dialog
// offers. The list is sorted and free of repeats, so every process given the same command
// line sees the same list and the same --shard slices. Main thread.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace zentar {

struct BatchInput {
    std::string path;     // as found: the argument, or the folder argument joined with the rest
    std::string relative; // below the folder argument it was found in; the file name otherwise
};

class BatchInputs {
public:
    // Searches the arguments. An argument that names nothing readable is kept in problems()
    // with its message.
    BatchInputs(const std::vector<std::string>& arguments, const std::string& outputFolder);

    const std::vector<BatchInput>& inputs() const { return inputs_; }
    // "ARGUMENT: message" for each argument that could not be searched.
    const std::vector<std::string>& problems() const { return problems_; }

    // The extensions (".avi", lower case) of the input kinds, from the open dialog's filter.
    static std::vector<std::string> AcceptedExtensions();
    // Whether the file name ends in an accepted extension, in any letter case.
    static bool IsAcceptedName(const std::string& fileName);
    // [begin, end) of slice `index` of `count` equal slices of `size` items: consecutive,
    // sizes differing by at most one, together covering 0..size-1 once.
    static std::pair<size_t, size_t> ShardRange(size_t size, int index, int count);

private:
    void searchFolder(const std::string& folder, const std::string& outputFolder);

    std::vector<BatchInput> inputs_;
    std::vector<std::string> problems_;
};

} // namespace zentar
