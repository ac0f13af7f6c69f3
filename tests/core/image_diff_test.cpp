#include <gtest/gtest.h>

#include "core/image/document.h"
#include "core/image/image_diff.h"

namespace pm {
namespace {

Image WithChannel(Image img, int ch, const char* rx, const char* tone) {
    EditorState s = DecodeToState(img);
    s.table.SetText(ch, col::kReceive, rx);
    s.table.SetText(ch, col::kTransmit, rx);
    s.table.SetText(ch, col::kRxTone, tone);
    s.table.SetText(ch, col::kTxTone, "OFF");
    s.table.SetText(ch, col::kBusy, "OFF");
    s.table.SetText(ch, col::kScan, "Add");
    s.table.SetText(ch, col::kPower, "High");
    EncodeImage(s.table, s.lists, img);
    return img;
}

TEST(ImageDiff, EqualImagesHaveNoLines) {
    const Image a = RoundTrip(NewDocumentImage());
    const ImageDiff d = CompareImages(a, a);
    EXPECT_TRUE(d.Equal());
    EXPECT_TRUE(DescribeDiff(d).empty());
}

TEST(ImageDiff, ChannelSettingAndOtherBytes) {
    const Image a = WithChannel(RoundTrip(NewDocumentImage()), 3, "145.52500", "88.5");
    Image b = WithChannel(a, 3, "145.52500", "D023N");
    b = WithChannel(b, 7, "146.00000", "OFF");
    b[0x7C1] = 7;            // squelch
    b[0x005] ^= 0x01;        // row 0: nothing shows it
    b[16 * 3 + 15] ^= 0x80;  // byte 15 of channel 3: explained by channel 3's differences
    const ImageDiff d = CompareImages(a, b);
    EXPECT_FALSE(d.Equal());
    EXPECT_EQ(d.Channels(), (std::vector<int>{3, 7}));
    EXPECT_EQ(d.otherBytes, 1u);
    EXPECT_EQ(d.firstOtherOffset, 5u);
    const auto lines = DescribeDiff(d);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "CH 3 Rx Tone: 88.5 -> D023N");
    EXPECT_EQ(lines[1], "CH 7 Receive(MHz): (empty) -> 146.00000");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "Squelch Level: 4 -> 7"), lines.end());
    EXPECT_EQ(lines.back(), "1 other byte differs (first at offset 0x005)");
}

TEST(ImageDiff, LengthLimitsTheComparison) {
    const Image a = RoundTrip(NewDocumentImage());
    Image b = a;
    b[0x7D8] ^= 0xFF;  // beyond what a write sends
    EXPECT_TRUE(CompareImages(a, b, 0x7D8).Equal());
    EXPECT_FALSE(CompareImages(a, b).Equal());
}

}  // namespace
}  // namespace pm
