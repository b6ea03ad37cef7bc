// Whole-file input and output for the data generators and tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qx {

// Replaces bytes with the file's contents; false when it cannot be read completely.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);

// Writes size bytes to path, replacing the file; false when it cannot be written completely.
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

// Where an archive entry's decoded bytes are written for qxpack: directory/<entry name without
// its ".~" ending>.
std::string EntryFilePath(const std::string& directory, uint32_t entryNumber);

}  // namespace qx
