// Plain values as bytes in a buffer, in the machine's own byte order: for bytes that only another
// instance of this same program reads (the browser's seek index, built in a worker). Reading is
// bounded: a value past the end is not read.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

namespace qx {

template <typename T>
void AppendValue(std::vector<uint8_t>& bytes, const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    const size_t at = bytes.size();
    bytes.resize(at + sizeof value);
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

// Reads a value at `at` and moves past it; false, nothing moved, when fewer bytes are left.
template <typename T>
bool TakeValue(const uint8_t*& at, const uint8_t* end, T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    if (end < at || static_cast<size_t>(end - at) < sizeof value) return false;
    std::memcpy(&value, at, sizeof value);
    at += sizeof value;
    return true;
}

}  // namespace qx
