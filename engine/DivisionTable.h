// The table that turns a bilinear sum of four weights totalling 225 back into a rounded byte:
// entry i = min(255, (i + 112) / 225). One process-wide instance, built on first use by
// divisionTable() (a function-local static, so its construction is thread-safe) and never
// changed afterwards; any thread may read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zentar {

class DivisionTable {
public:
    static constexpr std::size_t kSize = 260100;
    // Entries 0 ... kLastReachable are the ones a weighted sum of bytes can reach (225 x 255).
    static constexpr std::size_t kLastReachable = 225 * 255;

    static constexpr std::uint8_t Entry(std::size_t i) {
        const std::size_t q = (i + 112) / 225;
        return static_cast<std::uint8_t>(q < 255 ? q : 255);
    }

    DivisionTable();

    std::uint8_t operator[](std::size_t i) const { return table_[i]; }
    const std::uint8_t* data() const { return table_.get(); }

private:
    std::unique_ptr<std::uint8_t[]> table_;
};

// The process-wide table.
const DivisionTable& divisionTable();

} // namespace zentar
