#include "tools/archive/file_io.h"

#include <cstdio>

#include "archive/asset_catalogue.h"

namespace qx {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    bytes.clear();
    uint8_t chunk[1 << 16];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    const bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
}

bool WriteWholeFile(const std::string& path, const void* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

std::string EntryFilePath(const std::string& directory, uint32_t entryNumber) {
    std::string name = kCatalogue[entryNumber - 1].name;
    name.resize(name.size() - 2);  // drop ".~"
    return directory + "/" + name;
}

}  // namespace qx
