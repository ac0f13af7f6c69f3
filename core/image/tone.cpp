#include "core/image/tone.h"

#include <algorithm>
#include <cmath>

#include "core/image/bcd.h"
#include "core/image/numeric_text.h"
#include "core/image/text_match.h"

namespace pm {
namespace {

constexpr std::array<std::string_view, kCtcssCount> kCtcss = {
    "67.0",  "69.3",  "71.9",  "74.4",  "77.0",  "79.7",  "82.5",  "85.4",  "88.5",  "91.5",
    "94.8",  "97.4",  "100.0", "103.5", "107.2", "110.9", "114.8", "118.8", "123.0", "127.3",
    "131.8", "136.5", "141.3", "146.2", "151.4", "156.7", "159.8", "162.2", "165.5", "167.9",
    "171.3", "173.8", "177.3", "179.9", "183.5", "186.2", "189.9", "192.8", "196.6", "199.5",
    "203.5", "206.5", "210.7", "218.1", "225.7", "229.1", "233.6", "241.8", "250.3", "254.1"};

constexpr std::array<std::string_view, kDcsCount> kDcs = {
    "017", "023", "025", "026", "031", "032", "036", "043", "047", "051", "053", "054", "065", "071",
    "072", "073", "074", "114", "115", "116", "122", "125", "131", "132", "134", "143", "145", "152",
    "155", "156", "162", "165", "172", "174", "205", "212", "223", "225", "226", "243", "244", "245",
    "246", "251", "252", "255", "261", "263", "265", "266", "271", "274", "306", "311", "315", "325",
    "331", "332", "343", "346", "351", "356", "364", "365", "371", "411", "412", "413", "423", "431",
    "432", "445", "446", "452", "454", "455", "462", "464", "465", "466", "503", "506", "516", "523",
    "526", "532", "546", "565", "606", "612", "624", "627", "631", "632", "645", "654", "662", "664",
    "703", "712", "723", "731", "732", "734", "743", "754"};

std::array<std::string, kToneCount> BuildTable() {
    std::array<std::string, kToneCount> table;
    table[0] = "OFF";
    for (int i = 0; i < kCtcssCount; ++i) table[kFirstCtcss + i] = std::string(kCtcss[i]);
    for (int i = 0; i < kDcsCount; ++i) {
        table[kFirstDcsNormal + i] = "D" + std::string(kDcs[i]) + "N";
        table[kFirstDcsInverted + i] = "D" + std::string(kDcs[i]) + "I";
    }
    return table;
}

}  // namespace

const std::array<std::string, kToneCount>& ToneTable() {
    static const std::array<std::string, kToneCount> table = BuildTable();
    return table;
}

std::string DecodeTone(ToneCode code, bool channelExists) {
    const std::uint8_t h = code.high;
    if (h == 0xFF || h == 0x00) return channelExists ? "OFF" : "";
    if (h >= 0x80) {
        const bool inverted = h >= 0xC0;
        const int d = h - (inverted ? 0xC0 : 0x80);
        std::string text = d == 0 ? "D0" : "D";
        text += std::to_string(d * 100 + BcdValue(code.low));
        text += inverted ? "I" : "N";
        return text;
    }
    const int x = BcdValue(h) * 100 + BcdValue(code.low);
    return FormatFixed(x * 0.1, 1);
}

ToneCode EncodeTone(std::string_view text) {
    if (text.find('D') != std::string_view::npos) {
        const std::string_view rest = text.substr(1);
        const bool normal = rest.find('N') != std::string_view::npos;
        // A code too large for its kind saturates at the kind's largest, so that it never turns into
        // the other polarity or into "no tone" (only damaged images decode to such codes).
        const std::uint32_t largest = normal ? 6399 : 6299;
        const std::uint32_t v = std::min(ParseLeadingUnsigned(rest), largest);
        const std::uint32_t base = normal ? 0x80 : 0xC0;
        return {BcdByte(v % 100), static_cast<std::uint8_t>(base + v / 100)};
    }
    const double scaled = ParseLeadingDouble(text) * 10.0;
    // Truncation toward zero; what is not a positive finite number is no tone, and large values
    // stay within the CTCSS kind (high byte below 0x80).
    if (!(scaled >= 1.0)) return {0xFF, 0xFF};
    const unsigned x = scaled >= 7999.0 ? 7999u : static_cast<unsigned>(scaled);
    return {BcdByte(x % 100), BcdByte(x / 100)};
}

int FindToneExact(std::string_view text) {
    const auto& table = ToneTable();
    for (int i = 0; i < kToneCount; ++i) {
        if (EqualsNoCase(table[i], text)) return i;
    }
    return -1;
}

int FindTonePrefix(std::string_view text) {
    const auto& table = ToneTable();
    for (int i = 0; i < kToneCount; ++i) {
        if (StartsWithNoCase(table[i], text)) return i;
    }
    return -1;
}

}  // namespace pm
