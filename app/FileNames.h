// Path operations of the main window's file lists: the output extension of an output
// type, replacing a path's extension, and the file-name part shown in lists. Paths are
// UTF-8 byte strings split at '/' only (there is no drive part). Pure functions.
#pragma once

#include <string>

namespace zentar {

// Parts of a path: folder (up to and including the last '/'), base name, and extension
// (from the last '.' of the final component, dot included; empty when there is none).
struct PathParts {
    std::string folder;
    std::string base;
    std::string extension;
};

PathParts SplitPath(const std::string& path);

// ".wmv" for output type 1 (WMV), ".mp4" for 2, ".mkv" for 3, ".avi" for every other value.
std::string OutputExtension(int dstFileType);

// Folder and base name of the path followed by the extension (which carries its dot);
// a path without extension gets the extension appended.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// Base name and extension without the folder; a text without '/' is returned whole.
std::string FileNamePart(const std::string& path);

} // namespace zentar
