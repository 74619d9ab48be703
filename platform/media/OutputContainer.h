// OutputContainer: the file types the program writes, which one a file name's extension
// selects, the libavformat muxer behind each, and the one table of which compressor
// (by friendly name) each container can hold. Stateless; any thread.
#pragma once

#include <string>

#include "platform/media/MediaFormats.h"

namespace zentar {

enum class OutputContainer { Avi, Wmv, Mp4, Matroska };

// By the extension (with or without its dot, any case): "wmv" (or any extension that
// contains it) WMV, "mp4" and "m4v" MP4, "mkv" Matroska, anything else AVI.
OutputContainer ContainerForExtension(const std::string& extension);
// The file type as users know it: "AVI", "WMV", "MP4", "MKV".
const char* ContainerLabel(OutputContainer container);
// libavformat's muxer: "avi", "mp4", "matroska"; nullptr for WMV (the writer library's).
const char* ContainerMuxer(OutputContainer container);

// Whether the container can hold a stream made by the compressor of this friendly name.
// "<Uncompressed>" video and "PCM" audio (or an empty name) stand for no compressor. WMV
// takes anything: its writer library encodes by its own profile.
bool ContainerTakes(OutputContainer container, StreamKind kind, const std::string& friendlyName);

} // namespace zentar
