#include "asfbridge/AsfFileRepair.h"

#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zentar::asfbridge {

namespace {

using Guid = uint8_t[16];

// The objects' identifiers as they are stored (the first three fields little-endian).
constexpr Guid kHeaderObject = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kDataObject = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                              0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr Guid kFileProperties = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                  0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};

constexpr int64_t kHeaderObjectBytes = 30; // GUID, size, object count, two reserved bytes
constexpr int64_t kDataObjectBytes = 50;   // GUID, size, file ID, packet count, reserved

// File Properties fields, from the object's start.
constexpr int64_t kFileSize = 40;
constexpr int64_t kPacketCount = 56;
constexpr int64_t kPlayDuration = 64;
constexpr int64_t kSendDuration = 72;
constexpr int64_t kPreroll = 80;
constexpr int64_t kMinPacketSize = 92;
constexpr int64_t kMaxPacketSize = 96;

class File {
public:
    explicit File(int fd) : fd_(fd) {}
    ~File() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    int fd() const { return fd_; }
    bool read(int64_t offset, void* out, size_t size) const {
        return fd_ >= 0 &&
               ::pread(fd_, out, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
    }
    bool readLe(int64_t offset, size_t bytes, uint64_t& value) const {
        uint8_t raw[8] = {};
        if (bytes > 8 || !read(offset, raw, bytes))
            return false;
        value = 0;
        for (size_t i = bytes; i-- > 0;)
            value = (value << 8) | raw[i];
        return true;
    }
    bool writeLe(int64_t offset, size_t bytes, uint64_t value) const {
        uint8_t raw[8];
        for (size_t i = 0; i < bytes; ++i)
            raw[i] = static_cast<uint8_t>(value >> (8 * i));
        return ::pwrite(fd_, raw, bytes, static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes);
    }
    bool isObject(int64_t offset, const Guid& guid) const {
        uint8_t raw[16];
        return read(offset, raw, 16) && std::memcmp(raw, guid, 16) == 0;
    }

private:
    int fd_;
};

// The size in bytes a length-type field of two bits selects (0, 1, 2 or 4).
size_t fieldBytes(unsigned type) {
    return type == 3 ? 4 : type;
}

// The send time and duration (in milliseconds) of the packet at `offset`; false when its
// header cannot be read.
bool packetTimes(const File& file, int64_t offset, uint64_t& sendTime, uint64_t& duration) {
    uint8_t first = 0;
    if (!file.read(offset, &first, 1))
        return false;
    int64_t at = offset;
    if (first & 0x80) // error correction data: its length is in the low four bits
        at += 1 + (first & 0x0F);
    uint8_t flags[2];
    if (!file.read(at, flags, 2))
        return false;
    at += 2;
    // Packet length, sequence and padding length, by the length type flags.
    at += static_cast<int64_t>(fieldBytes((flags[0] >> 5) & 3) + fieldBytes((flags[0] >> 1) & 3) +
                               fieldBytes((flags[0] >> 3) & 3));
    return file.readLe(at, 4, sendTime) && file.readLe(at + 4, 2, duration);
}

} // namespace

AsfFileRepair::Result AsfFileRepair::Repair(const std::string& path) {
    const File file(::open(path.c_str(), O_RDWR | O_CLOEXEC));
    struct stat info {};
    if (file.fd() < 0 || ::fstat(file.fd(), &info) != 0 || !S_ISREG(info.st_mode) ||
        !file.isObject(0, kHeaderObject))
        return {};
    const int64_t fileSize = info.st_size;
    uint64_t headerSize = 0;
    uint64_t objects = 0;
    if (!file.readLe(16, 8, headerSize) || !file.readLe(24, 4, objects) ||
        static_cast<int64_t>(headerSize) + kDataObjectBytes > fileSize)
        return {};

    // The File Properties object among the header's objects.
    int64_t properties = -1;
    int64_t at = kHeaderObjectBytes;
    for (uint64_t i = 0; i < objects && at + 24 <= static_cast<int64_t>(headerSize); ++i) {
        uint64_t size = 0;
        if (!file.readLe(at + 16, 8, size) || size < 24)
            return {};
        if (file.isObject(at, kFileProperties) && size >= 104) {
            properties = at;
            break;
        }
        at += static_cast<int64_t>(size);
    }
    const int64_t data = static_cast<int64_t>(headerSize);
    uint64_t minPacket = 0;
    uint64_t maxPacket = 0;
    uint64_t preroll = 0;
    if (properties < 0 || !file.isObject(data, kDataObject) ||
        !file.readLe(properties + kMinPacketSize, 4, minPacket) ||
        !file.readLe(properties + kMaxPacketSize, 4, maxPacket) ||
        !file.readLe(properties + kPreroll, 8, preroll) || minPacket == 0 || minPacket != maxPacket)
        return {};

    const int64_t first = data + kDataObjectBytes;
    const uint64_t packets = static_cast<uint64_t>(fileSize - first) / minPacket;
    const int64_t end = first + static_cast<int64_t>(packets * minPacket);
    Result result;
    result.packets = packets;
    result.size = end;
    bool written = ::ftruncate(file.fd(), static_cast<off_t>(end)) == 0 &&
                   file.writeLe(data + 16, 8, static_cast<uint64_t>(end - data)) &&
                   file.writeLe(data + 40, 8, packets) &&
                   file.writeLe(properties + kFileSize, 8, static_cast<uint64_t>(end)) &&
                   file.writeLe(properties + kPacketCount, 8, packets);
    // Send times count from the start of the data; the play duration adds the preroll.
    // Both run to the end of the last packet, in 100 ns units.
    uint64_t sendTime = 0;
    uint64_t duration = 0;
    if (written && packets > 0 &&
        packetTimes(file, end - static_cast<int64_t>(minPacket), sendTime, duration)) {
        const uint64_t endMs = sendTime + duration;
        written = file.writeLe(properties + kPlayDuration, 8, (endMs + preroll) * 10000) &&
                  file.writeLe(properties + kSendDuration, 8, endMs * 10000);
    }
    result.repaired = written;
    return result;
}

} // namespace zentar::asfbridge
