#include "tools/file_output.h"

#include <cstdio>

#include "archive/asset_catalogue.h"

namespace qx {

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
