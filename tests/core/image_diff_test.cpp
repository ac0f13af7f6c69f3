#include <gtest/gtest.h>

#include "core/image/document.h"
#include "core/image/image_diff.h"

namespace pm {
namespace {

void SetChannel(ChannelTable& table, int channel, const char* frequency) {
    const char* cells[] = {frequency, frequency, "88.5", "OFF", "OFF", "Add", "High"};
    for (int c = 1; c <= 7; ++c) table.SetText(channel, c, cells[c - 1]);
}

// The first and the last channel, a list, a flag list and one byte that nothing shows.
TEST(ImageDiff, ChannelSettingAndOtherBytes) {
    EditorState s = DecodeToState(NewDocumentImage());
    SetChannel(s.table, 1, "145.52500");
    SetChannel(s.table, 80, "146.00000");
    Image a = NewDocumentImage();
    EncodeImage(s.table, s.lists, a);
    s.table.SetText(1, col::kBusy, "");
    s.table.SetText(80, col::kPower, "Low");
    s.lists.Select(Setting::Squelch, 7);
    s.lists.Select(Setting::Warning, 1);
    Image b = a;
    EncodeImage(s.table, s.lists, b);
    b[0x005] ^= 0x01;                           // row 0: nothing shows it
    ChannelRecord(b, 1)[rec::kSpare] ^= 0x80;   // explained by channel 1's differences
    ChannelRecord(b, 80)[rec::kSpare] ^= 0x80;  // and by channel 80's
    const ImageDiff d = CompareImages(a, b);
    EXPECT_FALSE(d.Equal());
    EXPECT_EQ(d.Channels(), (std::vector<int>{1, 80}));
    EXPECT_EQ(DescribeDiff(d),
              (std::vector<std::string>{"CH 1 Busy: OFF -> (empty)", "CH 80 Power: High -> Low",
                                        "Squelch Level: 4 -> 7", "Warning: Disable -> Enable",
                                        "1 other byte differs (first at offset 0x005)"}));
}

TEST(ImageDiff, EqualWithinTheLengthCompared) {
    const Image a = RoundTrip(NewDocumentImage());
    Image b = a;
    b[0x7D8] ^= 0xFF;  // beyond what a write sends
    EXPECT_TRUE(CompareImages(a, b, 0x7D8).Equal());
    EXPECT_TRUE(DescribeDiff(CompareImages(a, b, 0x7D8)).empty());
    EXPECT_EQ(DescribeDiff(CompareImages(a, b, 0x7D9)),
              (std::vector<std::string>{"1 other byte differs (first at offset 0x7D8)"}));
}

}  // namespace
}  // namespace pm
