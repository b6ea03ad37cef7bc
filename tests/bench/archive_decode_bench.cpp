// Decoding speed of the archive: every entry decoded through LoadEntry (the path start-up takes),
// through DecompressMemory, and through the bit-by-bit reference walker, in MB/s of output; and
// per entry the compression ratio beside the zero-order entropy of its decoded bytes, the best
// ratio a byte-wise prefix code can approach.
//
//   archive_decode_bench          the placeholder archive, made and written to a temporary file
//   archive_decode_bench FILE     the archive at the end of FILE, e.g. build/QX_Marrowtide
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/entry_decoder.h"
#include "tests/support/placeholder_assets.h"
#include "tools/archive/file_io.h"

namespace {

using namespace qx;

constexpr int kRounds = 20;

double EntropyBitsPerByte(const std::vector<uint8_t>& bytes) {
    double counts[256] = {};
    for (const uint8_t byte : bytes) ++counts[byte];
    double bits = 0;
    for (const double count : counts)
        if (count > 0) bits -= count * std::log2(count / static_cast<double>(bytes.size()));
    return bits / static_cast<double>(bytes.size());
}

// Runs decode over every entry kRounds times; returns MB/s of output.
template <typename Decode>
double Throughput(uint64_t bytesPerRound, Decode decode) {
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < kRounds; ++round)
        if (!decode()) return 0;
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    return static_cast<double>(bytesPerRound) * kRounds / seconds.count() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    std::error_code ignored;
    if (argc > 1) {
        path = argv[1];
    } else {
        const std::filesystem::path directory = std::filesystem::temp_directory_path(ignored);
        path = (directory / "archive_decode_bench.archive").string();
        const std::vector<uint8_t> archive = MakePlaceholderArchive();
        if (!WriteWholeFile(path, archive.data(), archive.size())) {
            std::fprintf(stderr, "archive_decode_bench: %s cannot be written\n", path.c_str());
            return 1;
        }
    }
    const bool opened = OpenArchive({path.c_str()});
    if (argc <= 1) std::filesystem::remove(path, ignored);  // the open file stays readable
    if (!opened) {
        std::fprintf(stderr, "archive_decode_bench: %s: %s\n", path.c_str(), archiveState.failure);
        return 1;
    }
    const uint32_t count = archiveState.entryCount;
    std::vector<std::vector<uint8_t>> stored(count), decoded(count);
    uint64_t storedTotal = 0;
    uint64_t decodedTotal = 0;
    for (uint32_t k = 0; k < count; ++k) {
        stored[k].resize(archiveState.directory[k].storedSize);
        if (!ReadEntry(k + 1, stored[k].data(), static_cast<uint32_t>(stored[k].size())) ||
            stored[k].size() < 4) {
            std::fprintf(stderr, "archive_decode_bench: entry %u cannot be read\n", k + 1);
            return 1;
        }
        decoded[k].resize(ReadU32(stored[k].data()));
        storedTotal += stored[k].size();
        decodedTotal += decoded[k].size();
    }
    const auto all = [&](auto decodeOne) {
        return [&, decodeOne] {
            for (uint32_t k = 0; k < count; ++k)
                if (!decodeOne(k)) return false;
            return true;
        };
    };
    const double loadRate = Throughput(
        decodedTotal, all([&](uint32_t k) {
            return LoadEntry(k + 1, decoded[k].data(), static_cast<uint32_t>(decoded[k].size()));
        }));
    const double memoryRate = Throughput(
        decodedTotal, all([&](uint32_t k) {
            return DecompressMemory(stored[k].data(), static_cast<uint32_t>(stored[k].size()),
                                    decoded[k].data(), static_cast<uint32_t>(decoded[k].size()));
        }));
    const double walkerRate =
        Throughput(decodedTotal, all([&](uint32_t k) {
                       return DecompressMemoryBitwise(
                           stored[k].data(), static_cast<uint32_t>(stored[k].size()),
                           decoded[k].data(), static_cast<uint32_t>(decoded[k].size()));
                   }));
    CloseArchive();

    std::printf("entry   stored    decoded   ratio  entropy-bound\n");
    for (uint32_t k = 0; k < count; ++k) {
        std::printf("%5u %8zu %10zu  %6.3f  %6.3f\n", k + 1, stored[k].size(), decoded[k].size(),
                    static_cast<double>(stored[k].size()) / static_cast<double>(decoded[k].size()),
                    EntropyBitsPerByte(decoded[k]) / 8);
    }
    std::printf("all   %8llu %10llu  %6.3f\n", static_cast<unsigned long long>(storedTotal),
                static_cast<unsigned long long>(decodedTotal),
                static_cast<double>(storedTotal) / static_cast<double>(decodedTotal));
    std::printf("LoadEntry (table, 1024-byte reads): %8.1f MB/s  (%.2f ms for all entries)\n",
                loadRate, loadRate > 0 ? static_cast<double>(decodedTotal) / loadRate / 1e3 : 0.0);
    std::printf("DecompressMemory (table):           %8.1f MB/s\n", memoryRate);
    std::printf("bit-by-bit reference walker:        %8.1f MB/s\n", walkerRate);
    return loadRate > 0 && memoryRate > 0 && walkerRate > 0 ? 0 : 1;
}
