// CompressorDialogHost: where a video compressor's own configuration dialog and About box
// come from. The media library shows no windows itself (it never links a toolkit); the
// user-interface library installs a host at start-up, and IAMVfwCompressDialogs on a
// compressor filter asks it. Without a host (headless runs, the command line) no
// compressor reports a dialog. Install and the dialogs run on the user-interface thread.
#pragma once

#include "platform/media/CompressorCatalog.h"

#include <string>
#include <vector>

namespace zentar {

// What a compressor's configuration dialog edits: the settings of that filter instance.
struct CompressorDialogSettings {
    bool canQuality = false;
    bool canKeyFrame = false;
    double quality = 0.75;            // 0..1
    int keyFrameRate = 0;             // frames per key frame
    std::vector<std::string> presets; // the encoder's presets, fastest first; empty: none
    std::string preset;               // the chosen one; empty: the encoder's default
};

class CompressorDialogHost {
public:
    virtual ~CompressorDialogHost() = default;
    // Shows the configuration dialog modally; true when the user accepted it (then
    // `settings` holds the new values).
    virtual bool showConfigDialog(void* parentWindow, const CompressorInfo& compressor,
                                  CompressorDialogSettings& settings) = 0;
    virtual void showAboutDialog(void* parentWindow, const CompressorInfo& compressor) = 0;
};

// Installs the host (nullptr removes it); the host must outlive its installation.
void InstallCompressorDialogHost(CompressorDialogHost* host);
CompressorDialogHost* InstalledCompressorDialogHost();

} // namespace zentar
