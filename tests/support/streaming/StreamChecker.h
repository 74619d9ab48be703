// StreamChecker: watches the calls one input pin receives and records protocol
// violations: a sample after end-of-stream, a second end-of-stream, a sample rendered
// while the filter is neither Paused nor Running. A flush or a new start clears the
// end-of-stream mark. Thread-safe: the streaming thread reports, the test reads.
#pragma once

#include "platform/streaming/StreamingCodes.h"

#include <mutex>
#include <string>
#include <vector>

namespace zentar::test {

class StreamChecker {
public:
    void onSample();                   // a sample arrives at the pin
    void onRender(FILTER_STATE state); // a sample is rendered
    void onEndOfStream();
    void onFlush(); // end of a flush: the stream starts again
    void onStart(); // the filter left Stopped

    std::vector<std::string> violations();
    int endOfStreamCount();

private:
    std::mutex mutex_;
    bool ended_ = false;                // mutex_
    int endOfStreams_ = 0;              // mutex_; since the last start
    std::vector<std::string> problems_; // mutex_
};

} // namespace zentar::test
