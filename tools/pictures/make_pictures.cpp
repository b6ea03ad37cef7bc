// qx_make_pictures OUTDIR: writes the production's pictures and textures (entries 1 to 20 and
// 22) into OUTDIR, one file per entry named after it without its ".~" ending, ready for qxpack.
#include <cstdio>
#include <string>
#include <vector>

#include "archive/asset_catalogue.h"
#include "tools/archive/file_io.h"
#include "tools/pictures/picture_generator.h"

int main(int argc, char** argv) {
    using namespace qx;
    if (argc != 2) {
        std::fprintf(stderr, "usage: qx_make_pictures OUTDIR\n");
        return 64;
    }
    for (uint32_t entryNumber = 1; entryNumber <= kCatalogueEntryCount; ++entryNumber) {
        const CatalogueEntry& entry = kCatalogue[entryNumber - 1];
        if (entry.format == AssetFormat::Module) continue;
        std::vector<uint8_t> bytes;
        std::string failure;
        if (!MakePictureEntry(entryNumber, bytes, failure)) {
            std::fprintf(stderr, "qx_make_pictures: %s: %s\n", entry.name, failure.c_str());
            return 1;
        }
        const std::string path = EntryFilePath(argv[1], entryNumber);
        if (!WriteWholeFile(path, bytes.data(), bytes.size())) {
            std::fprintf(stderr, "qx_make_pictures: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
