#include "metadata/ExifOperator.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> bytes;
    for (const int v : values)
        bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

} // namespace

TEST(TagScan, FindsTheFirstOccurrenceOfThePairFromTheOffset)
{
    const auto bytes = bytesOf({146, 124, 0, 146, 124, 7, 146, 124});
    EXPECT_EQ(ExifOperator::getTagIndex(bytes, 0, 146, 124), 0);
    EXPECT_EQ(ExifOperator::getTagIndex(bytes, 1, 146, 124), 3);
    EXPECT_EQ(ExifOperator::getTagIndex(bytes, 4, 146, 124), 6);
    EXPECT_EQ(ExifOperator::getTagIndex(bytes, 7, 146, 124), -1) << "a lone first byte at the end";
    EXPECT_EQ(ExifOperator::getTagIndex(bytes, 8, 146, 124), -1) << "offset at the end";
    EXPECT_EQ(ExifOperator::getTagIndex(bytes, 100, 146, 124), -1) << "offset past the end";
}

TEST(TagScan, FirstFirstSecondIsNotRecognisedAtThatPlace)
{
    // The second 146 disarms the scan and is not looked at again as a first byte.
    EXPECT_EQ(ExifOperator::getTagIndex(bytesOf({146, 146, 124, 0, 146, 124}), 0, 146, 124), 4);
    EXPECT_EQ(ExifOperator::getTagIndex(bytesOf({146, 146, 124}), 0, 146, 124), -1);
}

TEST(TagScan, ValueOffsetIsReadInTheFilesByteOrderAndChecked)
{
    // Bytes 12.. are the TIFF header; an entry at 20 whose value offset points at header + 32.
    QByteArray file(64, '\0');
    file.replace(12, 2, "MM");
    const QByteArray entryBigEndian("\x01\x0F\x00\x02\x00\x00\x00\x04\x00\x00\x00\x20", 12);
    file.replace(20, 12, entryBigEndian);
    file.replace(44, 4, "KORV");
    auto bytes = ImageBytes::fromData(file);
    const auto search = bytes.head(64);
    EXPECT_EQ(ExifOperator::getTagData(bytes, search, 20, 4, true), QByteArray("KORV"));
    EXPECT_EQ(ExifOperator::getCountedTagData(bytes, search, 20, true), QByteArray("KORV"));
    // Read little-endian, the same entry points far past the end of the file.
    EXPECT_FALSE(ExifOperator::getTagData(bytes, search, 20, 4, false));
    // A value that would run one byte past the end, and an entry that is not wholly in the window.
    EXPECT_FALSE(ExifOperator::getTagData(bytes, search, 20, 21, true));
    EXPECT_TRUE(ExifOperator::getTagData(bytes, search, 20, 20, true));
    EXPECT_FALSE(ExifOperator::getTagData(bytes, search.first(31), 20, 4, true));
}
