#include "engine/DivisionTable.h"

namespace zentar {

DivisionTable::DivisionTable() : table_(std::make_unique<std::uint8_t[]>(kSize)) {
    for (std::size_t i = 0; i < kSize; ++i) {
        table_[i] = Entry(i);
    }
}

const DivisionTable& divisionTable() {
    static const DivisionTable table;
    return table;
}

} // namespace zentar
