// Raw binary files: write, seek, read back, and the flag mapping.
#include <cstdio>
#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "zelt/kernel.h"

namespace {

class KernelFiles : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() /
                 ("zelt_kernel_files_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                    .string();
        std::filesystem::remove(path_);
    }
    void TearDown() override { std::filesystem::remove(path_); }
    std::string path_;
};

constexpr int kCreateFlags = KRN_FILE_WRITE | KRN_FILE_CREATE | KRN_FILE_TRUNCATE | KRN_FILE_BINARY;
constexpr int kCreateMode = KRN_FILE_MODE_READ | KRN_FILE_MODE_WRITE;

TEST_F(KernelFiles, WrittenBytesReadBackAtEveryPosition) {
    std::mt19937 random(7);
    std::vector<BYTE> bytes(5000);
    for (auto &b : bytes) b = static_cast<BYTE>(random());
    int file = KrnOpenFile(path_.c_str(), kCreateFlags, kCreateMode);
    ASSERT_GE(file, 0);
    EXPECT_EQ(KrnWriteFile(file, bytes.data(), 3000), 3000);
    EXPECT_EQ(KrnWriteFile(file, bytes.data() + 3000, 2000), 2000);
    EXPECT_EQ(KrnCloseFile(file), 0);

    file = KrnOpenFile(path_.c_str(), KRN_FILE_READ | KRN_FILE_BINARY, KRN_FILE_MODE_READ);
    ASSERT_GE(file, 0);
    EXPECT_EQ(KrnSeekFile(file, 0, SEEK_END), 5000);
    for (int testCase = 0; testCase < 50; ++testCase) {
        const LONG position = static_cast<LONG>(random() % 5000);
        const UINT wanted = random() % 200;
        ASSERT_EQ(KrnSeekFile(file, position, SEEK_SET), position);
        std::vector<BYTE> got(wanted);
        const int read = KrnReadFile(file, got.data(), wanted);
        const int expected = static_cast<int>(std::min<UINT>(wanted, 5000 - position));
        ASSERT_EQ(read, expected) << "case " << testCase;
        ASSERT_TRUE(std::equal(got.begin(), got.begin() + read, bytes.begin() + position)) << "case " << testCase;
        EXPECT_EQ(KrnSeekFile(file, 0, SEEK_CUR), position + read);
    }
    EXPECT_EQ(KrnSeekFile(file, -1, SEEK_SET), -1);
    EXPECT_EQ(KrnSeekFile(file, 0, 7), -1);
    BYTE one = 0;
    EXPECT_EQ(KrnWriteFile(file, &one, 1), -1);  // opened for reading only
    EXPECT_EQ(KrnCloseFile(file), 0);
}

TEST_F(KernelFiles, TruncateEmptiesAndReadWriteUpdatesInPlace) {
    int file = KrnOpenFile(path_.c_str(), kCreateFlags, kCreateMode);
    ASSERT_GE(file, 0);
    EXPECT_EQ(KrnWriteFile(file, "abcdef", 6), 6);
    KrnCloseFile(file);

    file = KrnOpenFile(path_.c_str(), KRN_FILE_READWRITE, 0);
    ASSERT_GE(file, 0);
    EXPECT_EQ(KrnSeekFile(file, 2, SEEK_SET), 2);
    EXPECT_EQ(KrnWriteFile(file, "XY", 2), 2);
    char text[7] = {};
    EXPECT_EQ(KrnSeekFile(file, 0, SEEK_SET), 0);
    EXPECT_EQ(KrnReadFile(file, text, 6), 6);
    EXPECT_STREQ(text, "abXYef");
    KrnCloseFile(file);

    file = KrnOpenFile(path_.c_str(), KRN_FILE_WRITE | KRN_FILE_TRUNCATE, 0);
    ASSERT_GE(file, 0);
    EXPECT_EQ(KrnSeekFile(file, 0, SEEK_END), 0);
    KrnCloseFile(file);
}

TEST_F(KernelFiles, FailuresGiveMinusOne) {
    EXPECT_EQ(KrnOpenFile(path_.c_str(), KRN_FILE_READ, 0), -1);  // does not exist
    EXPECT_EQ(KrnOpenFile(nullptr, KRN_FILE_READ, 0), -1);
    EXPECT_EQ(KrnOpenFile(path_.c_str(), 3, 0), -1);  // no such access mode
    EXPECT_EQ(KrnSeekFile(-1, 0, SEEK_SET), -1);
    EXPECT_EQ(KrnReadFile(-1, nullptr, 0), -1);
    EXPECT_EQ(KrnCloseFile(-1), -1);
}

}  // namespace
