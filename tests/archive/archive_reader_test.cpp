#include "archive/archive_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/archive/archive_test_support.h"
#include "tools/archive/file_io.h"

namespace qx::test {
namespace {

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) { return ReadU32(bytes.data() + at); }

void PatchU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

using ArchiveReader = ArchiveTest;

TEST_F(ArchiveReader, OneEntryArchiveHasTheDocumentedLayout) {
    const std::vector<uint8_t> archive = ArchiveOf({kAbcBlock});
    ASSERT_EQ(archive.size(), 131u);
    EXPECT_EQ(std::string(archive.begin(), archive.begin() + 26), "Tamberlinoth DataFile V2.3");
    EXPECT_EQ(archive[26], 0x1A);
    EXPECT_EQ(std::vector<uint8_t>(archive.begin() + 27, archive.begin() + 47), kAbcBlock);
    EXPECT_EQ(archive[47], 4);  // "e1.~"
    EXPECT_EQ(std::string(archive.begin() + 48, archive.begin() + 52), "e1.~");
    for (size_t k = 52; k < 111; ++k) EXPECT_EQ(archive[k], 0) << k;
    EXPECT_EQ(U32At(archive, 111), 27u);
    EXPECT_EQ(U32At(archive, 115), 20u);
    EXPECT_EQ(U32At(archive, 119), 1u);
    EXPECT_EQ(U32At(archive, 123), 47u);
    EXPECT_EQ(U32At(archive, 127), 131u);

    UseProgramWith(archive);
    ASSERT_TRUE(OpenArchive()) << archiveState.failure;
    EXPECT_EQ(archiveState.entryCount, 1u);
    EXPECT_EQ(archiveState.directory[0].seekPosition, -104);
    EXPECT_EQ(archiveState.directory[0].storedSize, 20u);
}

TEST_F(ArchiveReader, WorkedExampleLoadsAsEntryOneWhateverPrecedesTheArchive) {
    for (const size_t programBytes : {0, 1, 4000}) {
        UseProgramWith(ArchiveOf({kAbcBlock}), programBytes);
        ASSERT_TRUE(OpenArchive()) << archiveState.failure;
        platform.recordReads = true;
        platform.reads.clear();
        char out[3] = {};
        ASSERT_TRUE(LoadEntry(1, reinterpret_cast<uint8_t*>(out), 3)) << decodeReport.failure;
        EXPECT_EQ(std::string(out, 3), "abc");
        EXPECT_EQ(decodeReport.bytesUsed, 20u);
        // One read of the entry's 20 stored bytes, just after the magic text.
        EXPECT_EQ(platform.reads,
                  (std::vector<VirtualPlatform::FileRead>{{programBytes + 27, 20}}));
        CloseArchive();
    }
}

TEST_F(ArchiveReader, RawReadsCoverTheEntryOrReadOnPastIt) {
    const std::vector<uint8_t> archive = ArchiveOf({{1, 2, 3}, {4, 5, 6, 7}});
    UseProgramWith(archive);
    ASSERT_TRUE(OpenArchive());
    uint8_t out[200] = {};
    ASSERT_TRUE(ReadEntry(2, out, sizeof out));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 5), (std::vector<uint8_t>{4, 5, 6, 7, 0}));
    ASSERT_TRUE(ReadEntryBytes(1, out, 2, sizeof out));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{1, 2, 6}));
    // Past the entry: the next entry, the directory, the trailer, up to the file's end.
    const uint32_t toEnd = static_cast<uint32_t>(archive.size()) - 27;
    ASSERT_TRUE(ReadEntryBytes(1, out, toEnd, sizeof out));
    EXPECT_EQ(std::memcmp(out, archive.data() + 27, toEnd), 0);
    EXPECT_FALSE(ReadEntryBytes(1, out, toEnd + 1, sizeof out));
    EXPECT_STREQ(archiveState.failure, "the program file ends inside a read");
    // The destination's capacity bounds every read.
    EXPECT_FALSE(ReadEntry(2, out, 3));
    EXPECT_FALSE(ReadEntryBytes(1, out, 10, 9));
}

TEST_F(ArchiveReader, RefusesEntryNumbersOutsideTheArchiveAndReadsWhileClosed) {
    UseProgramWith(ArchiveOf({kAbcBlock, kAbcBlock}));
    ASSERT_TRUE(OpenArchive());
    uint8_t out[64] = {};
    EXPECT_TRUE(ReadEntry(2, out, sizeof out));
    for (const uint32_t number : {0u, 3u, 0xFFFFFFFFu}) {
        EXPECT_FALSE(ReadEntry(number, out, sizeof out)) << number;
        EXPECT_FALSE(LoadEntry(number, out, 3)) << number;
        EXPECT_STREQ(decodeReport.failure, "the archive has no entry of that number");
    }
    CloseArchive();
    EXPECT_FALSE(ReadEntry(1, out, sizeof out));
    EXPECT_FALSE(LoadEntry(1, out, 3));
    EXPECT_STREQ(decodeReport.failure, "no archive is open");
}

TEST_F(ArchiveReader, TwoOpensGiveIdenticalTables) {
    UseProgramWith(ArchiveOf({kAbcBlock, {9, 9}, kAbcBlock}));
    ASSERT_TRUE(OpenArchive());
    const ArchiveState first = archiveState;
    CloseArchive();
    ASSERT_TRUE(OpenArchive());
    EXPECT_EQ(std::memcmp(first.directory, archiveState.directory, sizeof first.directory), 0);
    EXPECT_EQ(first.archiveSize, archiveState.archiveSize);
    EXPECT_EQ(first.directoryOffset, archiveState.directoryOffset);
    EXPECT_EQ(archiveState.directory[1].seekPosition, 47 - static_cast<int64_t>(first.archiveSize));
}

// Every inconsistency of trailer or directory fails the open, closes the file again (so the
// next open can proceed) and names the cause.
TEST_F(ArchiveReader, RefusesDamagedTrailersAndDirectories) {
    const std::vector<uint8_t> good = ArchiveOf({kAbcBlock, kAbcBlock});  // directory at 67
    const size_t trailer = good.size() - 12;
    const size_t directory = 67;
    struct Case {
        const char* what;
        std::vector<uint8_t> archive;
        const char* cause;
    };
    std::vector<Case> cases;
    const auto patched = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> bytes = good;
        PatchU32(bytes, at, value);
        return bytes;
    };
    cases.push_back({"count 0", patched(trailer, 0), "no entries"});
    cases.push_back({"count 33", patched(trailer, 33), "more than 32 entries"});
    cases.push_back({"count 3", patched(trailer, 3), "does not end at the trailer"});
    cases.push_back({"size beyond file", patched(trailer + 8, 5000), "more bytes than the file"});
    cases.push_back({"size too small", patched(trailer + 8, static_cast<uint32_t>(good.size() - 1)),
                     "does not end at the trailer"});
    cases.push_back({"directory moved", patched(trailer + 4, 66), "does not end at the trailer"});
    cases.push_back(
        {"directory in magic", patched(trailer + 4, 20), "does not end at the trailer"});
    cases.push_back(
        {"entry before 27", patched(directory + 64, 26), "outside the archive's entry"});
    cases.push_back({"entry into directory", patched(directory + 72 + 68, 21), "outside"});
    cases.push_back({"huge entry", patched(directory + 68, 0xFFFFFFF0), "outside"});
    cases.push_back({"short file", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, "too short"});
    for (const Case& c : cases) {
        platform.executableImage = c.archive;
        EXPECT_FALSE(OpenArchive()) << c.what;
        EXPECT_NE(std::string(archiveState.failure).find(c.cause), std::string::npos)
            << c.what << ": " << archiveState.failure;
        EXPECT_EQ(archiveState.fileHandle, kNoFile) << c.what;
    }
    platform.executableImage = good;
    EXPECT_TRUE(OpenArchive()) << archiveState.failure;
}

TEST_F(ArchiveReader, ReportsMissingFilesAndShortReads) {
    platform.failOpenExecutable = true;
    EXPECT_FALSE(OpenArchive());
    EXPECT_STREQ(archiveState.failure, "the program file cannot be opened");
    platform.failOpenExecutable = false;

    const std::vector<uint8_t> archive = ArchiveOf({kAbcBlock, kAbcBlock});
    UseProgramWith(archive, 100);
    platform.failReadsFromOffset = 100 + 67 + 72;  // fails every read there or later: the trailer
    EXPECT_FALSE(OpenArchive());
    EXPECT_STREQ(archiveState.failure, "a read of the program file failed");

    platform.failReadsFromOffset = -1;
    ASSERT_TRUE(OpenArchive());
    platform.failReadsFromOffset = 100 + 27 + 20 + 10;  // inside entry 2's bytes
    uint8_t out[3];
    EXPECT_TRUE(LoadEntry(1, out, 3));
    EXPECT_FALSE(LoadEntry(2, out, 3));
    EXPECT_STREQ(decodeReport.failure, "a read of the program file failed");
}

// Loading reads the entry through the 1024-byte buffer, in consecutive reads of 1024 bytes and a
// shorter last one, exactly its stored size and not a byte beyond it: the next entry's bytes are
// made unreadable.
TEST_F(ArchiveReader, LoadEntryReadsExactlyTheStoredSizeInChunks) {
    std::mt19937 random(5);
    for (const uint32_t n : {1000u, 3000u, 20000u}) {
        std::vector<uint8_t> data(n);
        for (uint8_t& byte : data) byte = static_cast<uint8_t>(random() % 200);
        std::vector<uint8_t> block;
        ASSERT_TRUE(EncodeBlock(data, block));
        UseProgramWith(ArchiveOf({block, kAbcBlock}), 0);
        ASSERT_TRUE(OpenArchive());
        platform.failReadsFromOffset = 27 + static_cast<int64_t>(block.size());
        platform.recordReads = true;
        platform.reads.clear();
        std::vector<uint8_t> out(n);
        ASSERT_TRUE(LoadEntry(1, out.data(), n)) << decodeReport.failure;
        EXPECT_EQ(out, data);
        EXPECT_EQ(decodeReport.bytesUsed, block.size());
        std::vector<VirtualPlatform::FileRead> chunks;
        for (size_t at = 0; at < block.size(); at += 1024)
            chunks.push_back({27 + at, std::min<size_t>(1024, block.size() - at)});
        EXPECT_EQ(platform.reads, chunks);
        CloseArchive();
        platform.failReadsFromOffset = -1;
    }
}

// A source named by path is read straight from the file system: no platform is asked, and the
// next default open reads the platform's program file again.
class NamedArchiveFile : public ArchiveTest {
protected:
    std::string path;
    void SetUp() override {
        ArchiveTest::SetUp();
        path = ::testing::TempDir() + "named_archive_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void TearDown() override {
        std::remove(path.c_str());
        ArchiveTest::TearDown();
    }
    void WriteFile(const std::vector<uint8_t>& bytes) const {
        ASSERT_TRUE(WriteWholeFile(path, bytes.data(), bytes.size()));
    }
};

TEST_F(NamedArchiveFile, OpensAndDecodesWithoutAnyPlatform) {
    std::vector<uint8_t> file(300, 0x90);  // other bytes before the archive
    const std::vector<uint8_t> archive = ArchiveOf({{1, 2, 3}, kAbcBlock});
    file.insert(file.end(), archive.begin(), archive.end());
    WriteFile(file);
    UsePlatform(nullptr);  // a call on the platform would now stop the test program
    ASSERT_TRUE(OpenArchive({path.c_str()})) << archiveState.failure;
    EXPECT_EQ(archiveState.entryCount, 2u);
    EXPECT_EQ(archiveState.fileSize, static_cast<int64_t>(file.size()));
    uint8_t out[3] = {};
    ASSERT_TRUE(LoadEntry(2, out, 3)) << decodeReport.failure;
    EXPECT_EQ(std::string(out, out + 3), "abc");
    ASSERT_TRUE(ReadEntry(1, out, 3));
    EXPECT_EQ(std::vector<uint8_t>(out, out + 3), (std::vector<uint8_t>{1, 2, 3}));
    CloseArchive();
    EXPECT_EQ(archiveState.fileHandle, kNoFile);
    UsePlatform(&platform);
}

TEST_F(NamedArchiveFile, ReportsMissingAndDamagedFiles) {
    EXPECT_FALSE(OpenArchive({path.c_str()}));  // not written yet
    EXPECT_STREQ(archiveState.failure, "the file cannot be opened");
    std::vector<uint8_t> archive = ArchiveOf({kAbcBlock});
    archive.erase(archive.begin());  // the archive claims one byte more than the file holds
    WriteFile(archive);
    EXPECT_FALSE(OpenArchive({path.c_str()}));
    EXPECT_NE(std::string(archiveState.failure).find("more bytes than the file"), std::string::npos)
        << archiveState.failure;
    EXPECT_EQ(archiveState.fileHandle, kNoFile);
}

TEST_F(NamedArchiveFile, DefaultOpenAfterwardsReadsTheProgramFileAgain) {
    WriteFile(ArchiveOf({kAbcBlock, kAbcBlock, kAbcBlock}));
    UseProgramWith(ArchiveOf({{7, 7}}));
    ASSERT_TRUE(OpenArchive({path.c_str()}));
    EXPECT_EQ(archiveState.entryCount, 3u);
    platform.recordReads = true;
    ASSERT_TRUE(OpenArchive());
    EXPECT_EQ(archiveState.entryCount, 1u);
    uint8_t out[2] = {};
    ASSERT_TRUE(ReadEntry(1, out, 2));
    EXPECT_EQ(out[0], 7);
    EXPECT_FALSE(platform.reads.empty());
}

}  // namespace
}  // namespace qx::test
