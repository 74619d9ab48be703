// RunHost: what a conversion run needs from the front end that drives it (the main window
// or the command line): the status text, the preview of the frames being written, and the
// window's state switches around the end of a run. The front end implements it and owns
// both the host and the run; every call comes from the run's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zentar {

class RunHost {
public:
    virtual ~RunHost() = default;

    // Sets the status text; redrawNow asks for an immediate repaint.
    virtual void SetStatusText(const std::string& text, bool redrawNow) = 0;

    // Whether the preview is shown at this moment ("Show preview").
    virtual bool WantPreview() const { return false; }
    // Preview resources for frames of the output size, letterboxed with the input's aspect.
    virtual void CreatePreview(int /*outputWidth*/, int /*outputHeight*/, int /*inputWidth*/,
                               int /*inputHeight*/) {}
    // Shows one frame of the output size with the statistics line and draws that line into
    // the frame itself (the frame is written as it is left). Called only while WantPreview.
    virtual void DrawPreview(uint8_t* /*frame*/, size_t /*frameBytes*/,
                             const std::string& /*statisticsText*/) {}
    virtual void DestroyPreview() {}

    // Wind-down of an ended run: the wait cursor, the preview area emptied, the controls
    // switched back to their idle state.
    virtual void BeginWait() {}
    virtual void EndWait() {}
    virtual void ClearPreviewArea() {}
    virtual void SetControlsRunning(bool /*running*/) {}
};

} // namespace zentar
