// qx_contact_sheet ARCHIVE OUT.png [--half]: a PNG contact sheet of the pictures and textures of
// the archive at the end of ARCHIVE (a bare archive or a program with one appended), at full size
// or, with --half, at half size (docs/contact_sheet.png is the half-size sheet of the program).
//
// Exit codes: 0 success; 1 a damaged or invalid archive, an archive without pictures, or an
// output that cannot be written, with one line on standard error; 64 a usage error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/archive/archive_contents.h"
#include "tools/pictures/contact_sheet.h"

namespace qx {
namespace {

constexpr const char* kTool = "qx_contact_sheet";

int Usage() {
    std::fprintf(stderr, "usage: qx_contact_sheet ARCHIVE OUT.png [--half]\n");
    return kExitUsage;
}

int Sheet(const char* path, const char* outPath, bool halve) {
    std::vector<EntryFacts> facts;
    std::string failure;
    if (!InspectArchive(path, facts, failure))
        return ToolFailure(kTool, "%s: %s", path, failure.c_str());
    std::vector<SheetEntry> entries(facts.size());
    for (uint32_t k = 0; k < facts.size(); ++k) {
        entries[k].entryNumber = k + 1;
        entries[k].name = facts[k].name.substr(0, facts[k].name.rfind(".~"));
        if (!DecodeInspectedEntry(k + 1, facts[k], entries[k].bytes, failure))
            return ToolFailure(kTool, "%s: %s", path, failure.c_str());
    }
    const RgbImage sheet = MakeContactSheet(entries, halve);
    if (sheet.width == 0) return ToolFailure(kTool, "%s: no pictures or textures", path);
    if (!WritePng(outPath, sheet, failure))
        return ToolFailure(kTool, "%s: %s", outPath, failure.c_str());
    return 0;
}

int Run(int argc, char** argv) {
    bool halve = false;
    std::vector<const char*> operands;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--half") == 0)
            halve = true;
        else if (argv[i][0] == '-' && argv[i][1] != '\0')
            return Usage();
        else
            operands.push_back(argv[i]);
    }
    if (operands.size() != 2) return Usage();
    return Sheet(operands[0], operands[1], halve);
}

}  // namespace
}  // namespace qx

int main(int argc, char** argv) { return qx::RunTool(qx::Run, argc, argv); }
