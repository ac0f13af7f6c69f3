#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

#include "core/image/channel_file.h"
#include "core/image/memory_image.h"

namespace pm {
namespace {

TEST(NewDocument, HoldsTheDefaultsAndFfElsewhere) {
    const Image img = NewDocumentImage();
    int notFf = 0;
    for (std::uint8_t b : img) notFf += b != 0xFF;
    EXPECT_EQ(notFf, 8);
    EXPECT_EQ(img[0x7C0], 0x44);
    EXPECT_EQ(img[0x7C1], 4);
    EXPECT_EQ(img[0x7C2], 3);
    EXPECT_EQ(img[0x7C3], 2);
    EXPECT_EQ(img[0x7C4], 0xFF);
    EXPECT_EQ(img[0x7C5], 0x0A);
    EXPECT_EQ(img[0x7D2], 0xF0);
    EXPECT_EQ(img[0x7D3], 0x37);
    EXPECT_EQ(img[16 + 12], 0xFB);  // channel 1's flags, bit 2 clear
    EXPECT_EQ(img[32 + 12], 0xFF);
}

TEST(BandReset, EmptiesChannelsAndKeepsWhatItMust) {
    Image img;
    std::mt19937 rng(7);
    for (auto& b : img) b = static_cast<std::uint8_t>(rng());
    const Image before = img;
    BandReset(img, 1);
    for (std::size_t i = 16; i < 16 * 81; ++i) ASSERT_EQ(img[i], 0xFF) << i;
    for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(img[i], before[i]);
    for (std::size_t i = 16 * 81; i < 0x7C0; ++i) ASSERT_EQ(img[i], before[i]);
    for (std::size_t i = 0x7E0; i < kImageSize; ++i) ASSERT_EQ(img[i], before[i]);
    EXPECT_EQ(img[0x7C4], before[0x7C4]);  // TxPowerRank keeps its value
    EXPECT_EQ(img[0x7C1], 4);
    EXPECT_EQ(img[0x7C3], 2);
    EXPECT_EQ(img[0x7D3], 0x37);
    EXPECT_EQ(img[0x7C0] & 0x40, 0);
    EXPECT_EQ(img[0x7C0] & ~0x40, before[0x7C0] & ~0x40);
    BandReset(img, 0);
    EXPECT_EQ(img[0x7C0] & 0x40, 0x40);
}

class ChannelFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char templ[] = "/tmp/pm514rx-file-XXXXXX";
        ASSERT_NE(mkdtemp(templ), nullptr);
        dir_ = templ;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::filesystem::path dir_;
};

TEST_F(ChannelFileTest, SaveThenLoadIsByteExact) {
    Image img;
    for (std::size_t i = 0; i < kImageSize; ++i) img[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const auto path = dir_ / "a.sin";
    ASSERT_TRUE(SaveChannelFile(path, img).ok());
    EXPECT_EQ(std::filesystem::file_size(path), kImageSize);
    Image back = NewDocumentImage();
    ASSERT_TRUE(LoadChannelFile(path, back).ok());
    EXPECT_EQ(back, img);
}

TEST_F(ChannelFileTest, ShortAndEmptyFilesLeaveTheImageAlone) {
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{1000}, std::size_t{2047}}) {
        SCOPED_TRACE(size);
        const auto path = Write("short.sin", std::vector<std::uint8_t>(size, 0x12));
        Image img;
        img.fill(0x5A);
        const FileOutcome outcome = LoadChannelFile(path, img);
        EXPECT_EQ(outcome.status, FileStatus::UnexpectedFormat);
        EXPECT_NE(outcome.message.find("Unexpected file format"), std::string::npos);
        for (std::uint8_t b : img) ASSERT_EQ(b, 0x5A);
    }
}

TEST_F(ChannelFileTest, LongFileLoadsItsFirst2048Bytes) {
    std::vector<std::uint8_t> bytes(5000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    const auto path = Write("long.sin", bytes);
    Image img{};
    ASSERT_TRUE(LoadChannelFile(path, img).ok());
    EXPECT_TRUE(std::equal(img.begin(), img.end(), bytes.begin()));
}

TEST_F(ChannelFileTest, MissingFileOrDirectoryCannotBeOpened) {
    Image img = NewDocumentImage();
    const Image before = img;
    EXPECT_EQ(LoadChannelFile(dir_ / "none.sin", img).status, FileStatus::CannotOpen);
    EXPECT_EQ(LoadChannelFile(dir_, img).status, FileStatus::CannotOpen);
    EXPECT_EQ(img, before);
}

TEST_F(ChannelFileTest, FailedSaveLeavesTheOldFileIntact) {
    const Image old = NewDocumentImage();
    const auto path = dir_ / "keep.sin";
    ASSERT_TRUE(SaveChannelFile(path, old).ok());
    if (geteuid() != 0) {
        // A read-only folder: the temporary file cannot be made, the old file must survive.
        ASSERT_EQ(chmod(dir_.c_str(), 0555), 0);
        Image other;
        other.fill(0x00);
        EXPECT_EQ(SaveChannelFile(path, other).status, FileStatus::CannotWrite);
        chmod(dir_.c_str(), 0755);
    }
    // Saving over a directory fails at the rename and leaves nothing behind.
    std::filesystem::create_directory(dir_ / "adir");
    EXPECT_EQ(SaveChannelFile(dir_ / "adir", old).status, FileStatus::CannotWrite);
    Image back{};
    ASSERT_TRUE(LoadChannelFile(path, back).ok());
    EXPECT_EQ(back, old);
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_)) files += e.is_regular_file();
    EXPECT_EQ(files, 1) << "temporary files must not be left behind";
}

TEST_F(ChannelFileTest, SaveNeverReplacesADeviceOrALink) {
    // Writing to /dev/null must leave the device node in place.
    ASSERT_TRUE(SaveChannelFile("/dev/null", NewDocumentImage()).ok());
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    // Saving through a link replaces the file it points to and keeps the link.
    const auto real = dir_ / "real.sin";
    const auto link = dir_ / "link.sin";
    ASSERT_TRUE(SaveChannelFile(real, NewDocumentImage()).ok());
    std::filesystem::create_symlink(real, link);
    Image other;
    other.fill(0x11);
    ASSERT_TRUE(SaveChannelFile(link, other).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    Image back{};
    ASSERT_TRUE(LoadChannelFile(real, back).ok());
    EXPECT_EQ(back, other);
}

TEST_F(ChannelFileTest, SaveKeepsThePermissionsOfTheFileItReplaces) {
    const auto path = dir_ / "perm.sin";
    ASSERT_TRUE(SaveChannelFile(path, NewDocumentImage()).ok());
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(SaveChannelFile(path, NewDocumentImage()).ok());
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace pm
