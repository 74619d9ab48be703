#include "tests/support/streaming/StreamChecker.h"

namespace zentar::test {

void StreamChecker::onSample() {
    std::lock_guard lock(mutex_);
    if (ended_)
        problems_.push_back("sample after end-of-stream");
}

void StreamChecker::onRender(FILTER_STATE state) {
    std::lock_guard lock(mutex_);
    if (state != State_Paused && state != State_Running)
        problems_.push_back("sample rendered outside Paused/Running");
}

void StreamChecker::onEndOfStream() {
    std::lock_guard lock(mutex_);
    if (ended_)
        problems_.push_back("second end-of-stream");
    ended_ = true;
    ++endOfStreams_;
}

void StreamChecker::onFlush() {
    std::lock_guard lock(mutex_);
    ended_ = false;
}

void StreamChecker::onStart() {
    std::lock_guard lock(mutex_);
    ended_ = false;
    endOfStreams_ = 0;
}

std::vector<std::string> StreamChecker::violations() {
    std::lock_guard lock(mutex_);
    return problems_;
}

int StreamChecker::endOfStreamCount() {
    std::lock_guard lock(mutex_);
    return endOfStreams_;
}

} // namespace zentar::test
