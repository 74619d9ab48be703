// Registers the media layer's filters with the streaming framework's FilterRegistry: the
// file source that AddSourceFilter creates (and, as they are added, the compressor, AVI mux
// and file writer classes). Call once at start-up, before building graphs; later calls do
// nothing. Thread-safe.
#pragma once

namespace zentar {

void RegisterMediaFilters();

} // namespace zentar
