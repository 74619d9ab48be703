// A byte buffer whose last byte is immediately followed by an inaccessible page, so that a read
// or write past its end crashes the test instead of passing unnoticed. Test helper.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <sys/mman.h>
#include <unistd.h>

namespace zentar::test {

class GuardedBuffer {
public:
    explicit GuardedBuffer(std::size_t size) : size_(size) {
        const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
        const std::size_t usable = (size + page - 1) / page * page;
        mappedBytes_ = usable + page;
        void* base =
            mmap(nullptr, mappedBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (base == MAP_FAILED) {
            throw std::runtime_error("mmap failed");
        }
        base_ = static_cast<std::uint8_t*>(base);
        if (mprotect(base_ + usable, page, PROT_NONE) != 0) {
            munmap(base_, mappedBytes_);
            throw std::runtime_error("mprotect failed");
        }
        data_ = base_ + usable - size;
    }
    ~GuardedBuffer() { munmap(base_, mappedBytes_); }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    std::uint8_t* data() { return data_; }
    std::size_t size() const { return size_; }

private:
    std::uint8_t* base_ = nullptr;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t mappedBytes_ = 0;
};

} // namespace zentar::test
