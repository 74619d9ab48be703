#include "platform/media/AviRecovery.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zentar {

namespace {

constexpr uint32_t kHasIndex = 0x10;     // AVIF_HASINDEX
constexpr uint32_t kMustUseIndex = 0x20; // AVIF_MUSTUSEINDEX
constexpr size_t kMaxStreams = 100;      // chunk ids carry two decimal digits

using FourCC = std::array<char, 4>;

bool is(const FourCC& id, const char* text) {
    return std::memcmp(id.data(), text, 4) == 0;
}

uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

class File {
public:
    explicit File(int fd) : fd_(fd) {}

    bool read(int64_t offset, void* out, size_t size) const {
        auto* bytes = static_cast<uint8_t*>(out);
        while (size > 0) {
            const ssize_t n = ::pread(fd_, bytes, size, static_cast<off_t>(offset));
            if (n <= 0)
                return false;
            bytes += n;
            offset += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool read32(int64_t offset, uint32_t& value) const {
        uint8_t bytes[4];
        if (!read(offset, bytes, 4))
            return false;
        value = le32(bytes);
        return true;
    }
    bool write32(int64_t offset, uint32_t value) const {
        const uint8_t bytes[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16),
                                  static_cast<uint8_t>(value >> 24)};
        return ::pwrite(fd_, bytes, 4, static_cast<off_t>(offset)) == 4;
    }
    // A chunk header at `offset`: its id and the size of its data.
    bool chunk(int64_t offset, FourCC& id, uint32_t& size) const {
        uint8_t bytes[8];
        if (!read(offset, bytes, 8))
            return false;
        std::memcpy(id.data(), bytes, 4);
        size = le32(bytes + 4);
        return true;
    }
private:
    int fd_;
};

// Where the header fields to set are, found in the 'hdrl' list.
struct Header {
    int64_t avih = -1;              // data offset of the main header
    int64_t dmlh = -1;              // data offset of the extended header, when present
    std::vector<int64_t> strh;      // data offset of each stream header, in stream order
    std::vector<bool> video;        // per stream: 'vids'
    std::vector<uint32_t> unitSize; // per stream: dwSampleSize (0: one unit per chunk)
};

void readStreamList(const File& file, int64_t from, int64_t end, Header& header) {
    for (int64_t at = from; at + 8 <= end;) {
        FourCC id{};
        uint32_t size = 0;
        if (!file.chunk(at, id, size))
            return;
        if (is(id, "strh") && size >= 48 && header.strh.size() < kMaxStreams) {
            FourCC type{};
            uint32_t unit = 0;
            if (!file.read(at + 8, type.data(), 4) || !file.read32(at + 8 + 44, unit))
                return;
            header.strh.push_back(at + 8);
            header.video.push_back(is(type, "vids"));
            header.unitSize.push_back(is(type, "auds") ? unit : 0);
        }
        at += 8 + int64_t{size} + (size & 1);
    }
}

void readHeaderList(const File& file, int64_t from, int64_t end, Header& header) {
    for (int64_t at = from; at + 8 <= end;) {
        FourCC id{};
        uint32_t size = 0;
        if (!file.chunk(at, id, size))
            return;
        const int64_t next = at + 8 + int64_t{size} + (size & 1);
        if (is(id, "avih") && size >= 20) {
            header.avih = at + 8;
        } else if (is(id, "LIST") && size >= 4) {
            FourCC type{};
            if (!file.read(at + 8, type.data(), 4))
                return;
            const int64_t listEnd = std::min(next, end);
            if (is(type, "strl")) {
                readStreamList(file, at + 12, listEnd, header);
            } else if (is(type, "odml")) {
                FourCC inner{};
                uint32_t innerSize = 0;
                if (file.chunk(at + 12, inner, innerSize) && is(inner, "dmlh") && innerSize >= 4)
                    header.dmlh = at + 20;
            }
        }
        at = next;
    }
}

// The stream number of a data chunk id ("01wb" is stream 1), or -1 for other chunks.
int streamOf(const FourCC& id) {
    if (id[0] < '0' || id[0] > '9' || id[1] < '0' || id[1] > '9')
        return -1;
    const bool data = (id[2] == 'd' && (id[3] == 'c' || id[3] == 'b')) ||
                      (id[2] == 'w' && id[3] == 'b') || (id[2] == 'p' && id[3] == 'c');
    return data ? (id[0] - '0') * 10 + (id[1] - '0') : -1;
}

bool printable(const FourCC& id) {
    for (char c : id) {
        if (c < 0x20 || c > 0x7E)
            return false;
    }
    return true;
}

} // namespace

AviRecovery::Result AviRecovery::Repair(int fd) {
    const File file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return {};
    const int64_t fileSize = info.st_size;
    FourCC riff{};
    FourCC form{};
    uint32_t ignored = 0;
    if (!file.chunk(0, riff, ignored) || !file.read(8, form.data(), 4) || !is(riff, "RIFF") ||
        !is(form, "AVI "))
        return {};

    Header header;
    int64_t movi = -1;
    for (int64_t at = 12; at + 12 <= fileSize && movi < 0;) {
        FourCC id{};
        uint32_t size = 0;
        FourCC type{};
        if (!file.chunk(at, id, size))
            return {};
        if (is(id, "LIST") && file.read(at + 8, type.data(), 4)) {
            if (is(type, "movi"))
                movi = at;
            else if (is(type, "hdrl"))
                readHeaderList(file, at + 12, std::min(at + 8 + int64_t{size}, fileSize), header);
        }
        at += 8 + int64_t{size} + (size & 1);
    }
    if (movi < 0 || header.avih < 0)
        return {};

    // Walk the data chunks while they are whole; what follows the last one is cut off.
    std::vector<uint32_t> chunks(header.strh.size(), 0);
    std::vector<uint64_t> bytes(header.strh.size(), 0);
    int64_t end = movi + 12;
    for (;;) {
        FourCC id{};
        uint32_t size = 0;
        if (end + 8 > fileSize || !file.chunk(end, id, size) || !printable(id))
            break;
        const int64_t next = end + 8 + int64_t{size} + (size & 1);
        if (next > fileSize)
            break;
        const int stream = streamOf(id);
        if (stream >= 0 && static_cast<size_t>(stream) < chunks.size()) {
            ++chunks[static_cast<size_t>(stream)];
            bytes[static_cast<size_t>(stream)] += size;
        }
        end = next;
    }

    Result result;
    for (size_t i = 0; i < header.strh.size(); ++i) {
        if (header.video[i]) {
            result.videoFrames = chunks[i];
            break;
        }
    }
    uint32_t flags = 0;
    bool written = ::ftruncate(fd, static_cast<off_t>(end)) == 0 &&
                   file.read32(header.avih + 12, flags) &&
                   file.write32(header.avih + 12, flags & ~(kHasIndex | kMustUseIndex)) &&
                   file.write32(header.avih + 16, result.videoFrames) &&
                   file.write32(movi + 4, static_cast<uint32_t>(end - movi - 8)) &&
                   file.write32(4, static_cast<uint32_t>(end - 8));
    if (header.dmlh >= 0)
        written = written && file.write32(header.dmlh, result.videoFrames);
    for (size_t i = 0; i < header.strh.size() && written; ++i) {
        const uint64_t length = header.unitSize[i] > 0 ? bytes[i] / header.unitSize[i] : chunks[i];
        written = file.write32(header.strh[i] + 32, static_cast<uint32_t>(length));
    }
    result.repaired = written;
    result.size = end;
    return result;
}

} // namespace zentar
