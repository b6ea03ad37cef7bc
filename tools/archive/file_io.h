// Whole-file input and output for every tool and data generator (and the tests), and the file
// name an archive entry is handed to qxpack pack under.
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

// Where an archive entry's decoded bytes are written for qxpack pack, which names each entry
// after its file plus ".~": directory/<entry name without its ".~" ending>.
std::string EntryFilePath(const std::string& directory, uint32_t entryNumber);

}  // namespace qx
