#include "platform/media/FileByteSink.h"

#include "platform/media/AviRecovery.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace zentar {

FileByteSink::~FileByteSink() {
    close();
}

HRESULT FileByteSink::fail(int err, const char* what) {
    failed_ = true;
    error_ = std::string("Cannot ") + what + " \"" + path_ + "\": " + std::strerror(err);
    return err == ENOSPC ? STG_E_MEDIUMFULL : HResultFromErrno(err);
}

HRESULT FileByteSink::open(const std::string& path) {
    close();
    path_ = path;
    error_.clear();
    failed_ = false;
    // Read access too: a file whose writing fails is repaired from what it holds.
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        return fail(errno, "create");
    }
    position_ = 0;
    size_ = 0;
    return S_OK;
}

HRESULT FileByteSink::close() {
    if (fd_ < 0) {
        return S_OK;
    }
    const int fd = fd_;
    fd_ = -1;
    // Writing stopped half-way: what was written whole stays a file players read.
    if (failed_) {
        AviRecovery::Repair(fd);
    }
    if (::close(fd) != 0) {
        return fail(errno, "close");
    }
    return S_OK;
}

HRESULT FileByteSink::truncate(int64_t size) {
    if (fd_ < 0 || size < 0) {
        return E_UNEXPECTED;
    }
    // Cutting frees space, so it works on a full device too.
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        return fail(errno, "truncate");
    }
    size_ = std::min(size_, size);
    position_ = std::min(position_, size);
    return S_OK;
}

HRESULT FileByteSink::write(const uint8_t* data, size_t size) {
    if (fd_ < 0) {
        return E_UNEXPECTED;
    }
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail(n < 0 ? errno : ENOSPC, "write");
        }
        data += n;
        size -= static_cast<size_t>(n);
        position_ += n;
        size_ = std::max(size_, position_);
    }
    return S_OK;
}

HRESULT FileByteSink::seek(int64_t offset) {
    if (fd_ < 0) {
        return E_UNEXPECTED;
    }
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        return fail(errno, "seek in");
    }
    position_ = offset;
    return S_OK;
}

} // namespace zentar
