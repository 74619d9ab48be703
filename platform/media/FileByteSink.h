// FileByteSink: a ByteSink over one file on disk (POSIX descriptors), the storage under the
// platform's "File writer". Creates or truncates the file on open, reports every write error
// (a full disk as STG_E_MEDIUMFULL, other errno values as their HRESULT) and keeps the first
// one. A file whose writing failed is repaired on close when it is an AVI file (cut back to
// its last whole chunk, see AviRecovery). Owns the descriptor; one thread at a time.
#pragma once

#include <string>

#include "platform/media/ByteSink.h"

namespace zentar {

class FileByteSink : public ByteSink {
public:
    FileByteSink() = default;
    ~FileByteSink() override;
    FileByteSink(const FileByteSink&) = delete;
    FileByteSink& operator=(const FileByteSink&) = delete;

    HRESULT open(const std::string& path);
    // Flushes to the device and closes; reports a late write error (for example from NFS).
    HRESULT close();
    bool isOpen() const { return fd_ >= 0; }
    const std::string& errorText() const { return error_; }

    HRESULT write(const uint8_t* data, size_t size) override;
    HRESULT seek(int64_t offset) override;
    HRESULT truncate(int64_t size) override;
    int64_t position() const override { return position_; }
    int64_t size() const override { return size_; }

private:
    HRESULT fail(int err, const char* what);

    int fd_ = -1;
    bool failed_ = false; // a write or seek failed since open
    int64_t position_ = 0;
    int64_t size_ = 0;
    std::string path_;
    std::string error_;
};

} // namespace zentar
