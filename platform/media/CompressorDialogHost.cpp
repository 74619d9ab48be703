#include "platform/media/CompressorDialogHost.h"

#include <atomic>

namespace zentar {

namespace {
std::atomic<CompressorDialogHost*> installedHost{nullptr};
} // namespace

void InstallCompressorDialogHost(CompressorDialogHost* host) {
    installedHost.store(host, std::memory_order_release);
}

CompressorDialogHost* InstalledCompressorDialogHost() {
    return installedHost.load(std::memory_order_acquire);
}

} // namespace zentar
