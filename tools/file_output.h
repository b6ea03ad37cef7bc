// Whole-file output for the data generators and tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qx {

// Writes size bytes to path, replacing the file; false when it cannot be written completely.
bool WriteWholeFile(const std::string& path, const void* data, size_t size);

// Where an archive entry's decoded bytes are written for qxpack: directory/<entry name without
// its ".~" ending>.
std::string EntryFilePath(const std::string& directory, uint32_t entryNumber);

}  // namespace qx
