// File reads through the read-ahead: the same bytes, short reads and failures as reading the
// file itself, whatever the order and size of the reads, and never a closed or replaced file's
// bytes.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "platform/os_services.h"

namespace qx::test {
namespace {

class PosixFileReads : public ::testing::Test {
protected:
    std::string path = ::testing::TempDir() + "posix_file_reads_" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
    void TearDown() override { std::remove(path.c_str()); }

    static std::vector<uint8_t> RandomBytes(size_t count, uint32_t seed) {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes(count);
        for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
        return bytes;
    }
    static void Write(const std::string& at, const std::vector<uint8_t>& bytes) {
        std::FILE* file = std::fopen(at.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }
    // Reads count bytes at offset and expects exactly the file's bytes there, as many as it has.
    static void ExpectRead(FileHandle file, const std::vector<uint8_t>& bytes, uint64_t offset,
                           size_t count) {
        std::vector<uint8_t> out(count + 1, 0xA5);
        const auto expected = static_cast<size_t>(
            offset >= bytes.size() ? 0 : std::min<uint64_t>(count, bytes.size() - offset));
        ASSERT_EQ(os::ReadFileAt(file, offset, out.data(), count),
                  static_cast<int64_t>(expected))
            << offset << " " << count;
        EXPECT_TRUE(std::equal(
            out.begin(), out.begin() + static_cast<ptrdiff_t>(expected),
            bytes.begin() + static_cast<ptrdiff_t>(std::min<uint64_t>(offset, bytes.size()))))
            << offset << " " << count;
        EXPECT_EQ(out[expected], 0xA5) << offset << " " << count;
    }
};

TEST_F(PosixFileReads, AnyReadGivesTheFileBytesAndIsShortOnlyAtItsEnd) {
    const std::vector<uint8_t> bytes = RandomBytes(200'000, 1);
    Write(path, bytes);
    const FileHandle file = os::OpenFile(path.c_str());
    ASSERT_NE(file, kNoFile);
    for (uint64_t at = 0; at < bytes.size(); at += 1024) ExpectRead(file, bytes, at, 1024);
    std::mt19937 random(2);
    for (int k = 0; k < 300; ++k) {  // jumps back and forth, small and large reads
        const size_t count = k % 10 == 0 ? random() % 100'000 : random() % 3000;
        ExpectRead(file, bytes, random() % (bytes.size() + 10), count);
    }
    for (uint64_t size = 1024; size <= 131072; size *= 2) {  // across any power-of-two buffer
        ExpectRead(file, bytes, 0, 1);
        ExpectRead(file, bytes, size - 3, 4);  // one byte past
    }
    ExpectRead(file, bytes, bytes.size() - 30, 100);
    ExpectRead(file, bytes, bytes.size(), 10);
    os::CloseFile(file);
}

// Two files read in turn, a closed file, and a file written anew and opened again under the
// descriptor its old version had: each read gives the bytes of the file it names as it is now,
// and a closed file's reads fail.
TEST_F(PosixFileReads, ReadsNeverServeAnotherOrAClosedFilesBytes) {
    const std::string other = path + "_other";
    const std::vector<uint8_t> first = RandomBytes(5000, 3), second = RandomBytes(5000, 4);
    Write(path, first);
    Write(other, second);
    const FileHandle a = os::OpenFile(path.c_str());
    const FileHandle b = os::OpenFile(other.c_str());
    for (uint64_t at = 0; at < 5000; at += 700) {
        ExpectRead(a, first, at, 700);
        ExpectRead(b, second, at, 700);
    }
    os::CloseFile(b);
    ExpectRead(a, first, 0, 16);
    os::CloseFile(a);
    uint8_t out[16];
    EXPECT_EQ(os::ReadFileAt(a, 0, out, sizeof out), -1);
    EXPECT_EQ(os::ReadFileAt(kNoFile, 0, out, sizeof out), -1);
    std::remove(other.c_str());

#ifndef _WIN32  // Windows' reads have no read-ahead, and its handles are not descriptors
    // Closed behind the reader's back: the descriptor's next file is still read afresh.
    const FileHandle old = os::OpenFile(path.c_str());
    ExpectRead(old, first, 0, 16);
    close(old);
    Write(path, second);
    const FileHandle again = os::OpenFile(path.c_str());
    ASSERT_EQ(again, old);  // the lowest free descriptor
    ExpectRead(again, second, 0, 16);
    ExpectRead(again, second, 4990, 16);
    os::CloseFile(again);
#endif
}

}  // namespace
}  // namespace qx::test
