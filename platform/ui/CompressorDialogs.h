// The Qt side of the compressors' own dialogs: a configuration dialog (quality and
// key-frame interval, for compressors that have them) and an About box, installed as the
// media layer's CompressorDialogHost. What the user sets is kept by the compressor filter
// that asked, for its own life only. User-interface thread only.
#pragma once

#include "platform/media/CompressorDialogHost.h"

namespace zentar {

class QtCompressorDialogHost : public CompressorDialogHost {
public:
    bool showConfigDialog(void* parentWindow, const CompressorInfo& compressor,
                          CompressorDialogSettings& settings) override;
    void showAboutDialog(void* parentWindow, const CompressorInfo& compressor) override;
};

// Installs one process-wide QtCompressorDialogHost (idempotent). Call after the
// QApplication exists.
void InstallQtCompressorDialogs();

} // namespace zentar
