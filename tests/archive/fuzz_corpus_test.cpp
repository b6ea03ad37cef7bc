// Replays the archive fuzz corpus through the fuzz target's body, so every build checks the
// inputs the fuzzer found interesting: no crash, and both decoders agree.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/archive_fuzz_target.h"

namespace qx::test {
namespace {

TEST(ArchiveFuzzCorpus, EveryInputRunsCleanly) {
    size_t inputs = 0;
    for (const auto& item : std::filesystem::directory_iterator(QX_FUZZ_CORPUS_DIR)) {
        std::ifstream file(item.path(), std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                         std::istreambuf_iterator<char>());
        RunArchiveFuzzInput(bytes.data(), bytes.size());
        ++inputs;
    }
    EXPECT_GE(inputs, 8u);
}

}  // namespace
}  // namespace qx::test
