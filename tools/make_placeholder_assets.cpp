// qx_placeholder_assets OUTDIR [ENTRY...]: writes the placeholder entries (all 22, or the entry
// numbers given) into OUTDIR, one file per entry named after it without its ".~" ending (back1,
// ..., module, texture4), ready for qxpack.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "archive/asset_catalogue.h"
#include "tools/file_io.h"
#include "tools/placeholder_assets.h"

int main(int argc, char** argv) {
    using namespace qx;
    if (argc < 2) {
        std::fprintf(stderr, "usage: qx_placeholder_assets OUTDIR [ENTRY...]\n");
        return 64;
    }
    std::vector<uint32_t> entries;
    for (int i = 2; i < argc; ++i) {
        const unsigned long number = std::strtoul(argv[i], nullptr, 10);
        if (number < 1 || number > kCatalogueEntryCount) {
            std::fprintf(stderr, "qx_placeholder_assets: no entry %s\n", argv[i]);
            return 64;
        }
        entries.push_back(static_cast<uint32_t>(number));
    }
    if (entries.empty())
        for (uint32_t entryNumber = 1; entryNumber <= kCatalogueEntryCount; ++entryNumber)
            entries.push_back(entryNumber);
    for (uint32_t entryNumber : entries) {
        const std::string path = EntryFilePath(argv[1], entryNumber);
        const std::vector<uint8_t> bytes = MakePlaceholderEntry(entryNumber);
        if (!WriteWholeFile(path, bytes.data(), bytes.size())) {
            std::fprintf(stderr, "qx_placeholder_assets: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
