// Helper processes fed through pipes, with /bin/sh as the helper (on Windows qx_child_helper.exe,
// child_helper.cpp, beside the tests): both inputs arrive whole however the child paces its
// reading, its end is reported with what it said last, and a child that stops reading shows as a
// failed write instead of ending the test program.
#include "platform/child_process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <vector>

#include "tools/archive/file_io.h"

namespace qx::test {
namespace {

class ChildProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory = std::filesystem::temp_directory_path() /
                    ("qx_child_process_test_" +
                     std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
    }
    void TearDown() override {
        AbandonChildProcess(child);
        std::filesystem::remove_all(directory);
    }
    std::string Path(const char* name) const { return (directory / name).string(); }

    // Starts `sh -c script sh PATH...`; on Windows the helper program in `mode`, given the
    // paths with the second input's name between them.
    ChildStart StartShell([[maybe_unused]] const char* script, [[maybe_unused]] const char* mode,
                          uint32_t inputs, std::vector<std::string> paths = {}) {
#ifdef _WIN32
        std::vector<std::string> words{"qx_child_helper", mode};
        if (paths.size() == 2) words = {words[0], words[1], paths[0], ChildInputName(1), paths[1]};
        std::vector<const char*> arguments;
        for (const std::string& word : words) arguments.push_back(word.c_str());
#else
        std::vector<const char*> arguments{"sh", "-c", script, "sh"};
        for (const std::string& path : paths) arguments.push_back(path.c_str());
#endif
        arguments.push_back(nullptr);
        return StartChildProcess(arguments.data(), inputs, child, failure);
    }

    // Writes all of `data` to input 0 while input 1 takes what it can of `other`, then closes
    // input 0 and writes the rest of `other`: the capture's order at its end.
    bool FeedBoth(const std::vector<uint8_t>& data, const std::vector<uint8_t>& other) {
        ChildInputBuffer buffers[2] = {{0, data.data(), data.size(), 0},
                                       {1, other.data(), other.size(), 0}};
        while (buffers[0].written < buffers[0].size) {
            if (!WriteChildInputs(child, buffers, failure)) return false;
            if (buffers[0].written < buffers[0].size &&
                !WaitForChildInputs(child, buffers, failure))
                return false;
        }
        CloseChildInput(child, 0);
        while (buffers[1].written < buffers[1].size) {
            if (!WriteChildInputs(child, std::span(buffers + 1, 1), failure)) return false;
            if (!WaitForChildInputs(child, std::span(buffers + 1, 1), failure)) return false;
        }
        return true;
    }

    std::filesystem::path directory;
    ChildProcess child;
    std::string failure;
};

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), seed);
    return bytes;
}

// Larger than a pipe holds, so that the writer has to wait for the reader.
constexpr size_t kLarge = 1 << 20;

TEST_F(ChildProcessTest, BothInputsArriveWholeWhenTheChildReadsOneAfterTheOther) {
    ASSERT_EQ(
        StartShell("cat > \"$1\"; cat <&3 > \"$2\"", "copy", 2, {Path("zero"), Path("three")}),
        ChildStart::Started)
        << failure;
    const std::vector<uint8_t> first = Pattern(kLarge, 1), second = Pattern(kLarge + 7, 2);
    ASSERT_TRUE(FeedBoth(first, second)) << failure;
    ASSERT_TRUE(FinishChildProcess(child, failure)) << failure;
    std::vector<uint8_t> zero, three;
    ASSERT_TRUE(ReadWholeFile(Path("zero"), zero));
    ASSERT_TRUE(ReadWholeFile(Path("three"), three));
    EXPECT_EQ(zero, first);
    EXPECT_EQ(three, second);
}

TEST_F(ChildProcessTest, MissingProgramIsNotFound) {
    const char* arguments[] = {"qx-no-such-program-anywhere", nullptr};
    EXPECT_EQ(StartChildProcess(arguments, 1, child, failure), ChildStart::NotFound);
    EXPECT_EQ(child.processId, -1);
}

TEST_F(ChildProcessTest, FailureNamesTheStatusAndQuotesTheLastLineOnStandardError) {
    ASSERT_EQ(StartShell("echo first >&2; echo 'the last words' >&2; echo out; exit 3", "fail", 1),
              ChildStart::Started);
    EXPECT_FALSE(FinishChildProcess(child, failure));
    EXPECT_EQ(failure, "it exited with status 3: the last words");
}

TEST_F(ChildProcessTest, ChildThatStopsReadingMakesTheWriteFail) {
    ASSERT_EQ(StartShell("exec <&-; exit 0", "close", 1), ChildStart::Started);
    const std::vector<uint8_t> data = Pattern(kLarge, 3);
    ChildInputBuffer buffer{0, data.data(), data.size(), 0};
    bool ok = true;
    while (ok && buffer.written < buffer.size) {
        ok = WriteChildInputs(child, std::span(&buffer, 1), failure) &&
             WaitForChildInputs(child, std::span(&buffer, 1), failure);
    }
    EXPECT_FALSE(ok);
    EXPECT_NE(failure.find("stopped reading"), std::string::npos) << failure;
    EXPECT_TRUE(FinishChildProcess(child, failure));  // it ended well; only the write failed
}

TEST_F(ChildProcessTest, AbandonedChildIsEndedAndItsInputsClosed) {
    ASSERT_EQ(StartShell("exec sleep 600", "sleep", 2), ChildStart::Started);
    AbandonChildProcess(child);
    EXPECT_EQ(child.processId, -1);
    EXPECT_EQ(child.inputs[0], -1);
    EXPECT_EQ(child.inputs[1], -1);
}

}  // namespace
}  // namespace qx::test
