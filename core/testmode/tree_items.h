#pragma once
// The Test Mode tree, its three test frequencies and four alignment items, and the two tone lists.

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace pm::testmode {

/** Codes carried by the tree items; the code, not the text, decides what a selection does. */
namespace code {
inline constexpr int kDebugFrequency = 5567;
inline constexpr int kHighFrequency = 5568;
inline constexpr int kMiddleFrequency = 5569;
inline constexpr int kLowFrequency = 5571;  // 5570 is not used
inline constexpr int kDebugItem = 5572;
inline constexpr int kTxFrequency = 5573;
inline constexpr int kLowPowerVoltage = 5574;
inline constexpr int kSquelchLevel = 5575;
inline constexpr int kTxPower = 5576;
inline constexpr int kExitDebug = 5577;
}  // namespace code

/** One tree item: its text, its code and its parent's code (0 for a root). */
struct TreeEntry {
    std::string_view text;
    int code;
    int parent;
};

/** The tree in the order it is built: children after their siblings, roots likewise. */
inline constexpr std::array<TreeEntry, 10> kTree = {{
    {"Debug Frequency", code::kDebugFrequency, 0},
    {"High Frequency", code::kHighFrequency, code::kDebugFrequency},
    {"Middle Frequency", code::kMiddleFrequency, code::kDebugFrequency},
    {"Low Frequency", code::kLowFrequency, code::kDebugFrequency},
    {"Debug Item", code::kDebugItem, 0},
    {"TX Frequency", code::kTxFrequency, code::kDebugItem},
    {"Low Power Voltage", code::kLowPowerVoltage, code::kDebugItem},
    {"Squelch Level", code::kSquelchLevel, code::kDebugItem},
    {"TX Power", code::kTxPower, code::kDebugItem},
    {"Exit Debug", code::kExitDebug, 0},
}};

/** Numbers of the test frequencies as the dialog keeps them. */
inline constexpr int kHigh = 2;
inline constexpr int kMiddle = 3;
inline constexpr int kLow = 4;

/** A test frequency: its tree code, its number, the frame caption, and its offset above the band base. */
struct TestFrequencyRow {
    int code;
    int number;
    std::string_view caption;
    int offsetMhz;
};

/** High, Middle and Low; note the lower-case "f" in Low's caption. */
inline constexpr std::array<TestFrequencyRow, 3> kTestFrequencies = {{
    {code::kHighFrequency, kHigh, "High Frequency", 20},
    {code::kMiddleFrequency, kMiddle, "Middle Frequency", 10},
    {code::kLowFrequency, kLow, "Low frequency", 0},
}};

/** Numbers of the alignment items as the dialog keeps them (and as the exchange sends them). */
inline constexpr int kItemTxFrequency = 2;
inline constexpr int kItemLowPowerVoltage = 3;
inline constexpr int kItemSquelchLevel = 4;
inline constexpr int kItemTxPower = 5;

/** Highest raw value of an alignment item; the lowest is 0. */
inline constexpr int kMaxItemValue = 255;

/** An alignment item: its tree code, its number, its name and the value Default sets. */
struct AlignmentItemRow {
    int code;
    int number;
    std::string_view name;
    int defaultValue;
};

/** The four alignment items. */
inline constexpr std::array<AlignmentItemRow, 4> kAlignmentItems = {{
    {code::kTxFrequency, kItemTxFrequency, "TX Frequency", 91},
    {code::kLowPowerVoltage, kItemLowPowerVoltage, "Low Power Voltage", 38},
    {code::kSquelchLevel, kItemSquelchLevel, "Squelch Level", 160},
    {code::kTxPower, kItemTxPower, "TX Power", 47},
}};

/** The test frequency whose tree item carries code n, or nullptr. */
[[nodiscard]] const TestFrequencyRow* TestFrequencyByCode(int n);
/** The test frequency numbered n (2 High, 3 Middle, 4 Low), or nullptr. */
[[nodiscard]] const TestFrequencyRow* TestFrequencyByNumber(int n);
/** The alignment item whose tree item carries code n, or nullptr. */
[[nodiscard]] const AlignmentItemRow* AlignmentItemByCode(int n);
/** The alignment item numbered n (2 .. 5), or nullptr. */
[[nodiscard]] const AlignmentItemRow* AlignmentItemByNumber(int n);

/** Tone method of one direction of a test frequency. */
enum class ToneMethod { Qt = 0, Dqt = 1 };

/** Where each tone list lies in the tone table: QT 0..42, DQT 43..210. */
inline constexpr int kQtListFirst = 0;
inline constexpr int kQtListCount = 43;
inline constexpr int kDqtListFirst = 43;
inline constexpr int kDqtListCount = 168;

/** First index and count of a method's list in the tone table. */
struct ToneSlice {
    int first;
    int count;
};

/** The slice of the tone table that method lists. */
[[nodiscard]] constexpr ToneSlice ToneSliceOf(ToneMethod method) {
    return method == ToneMethod::Dqt ? ToneSlice{kDqtListFirst, kDqtListCount}
                                     : ToneSlice{kQtListFirst, kQtListCount};
}

/** The entries of a method's list, taken from the tone table. */
[[nodiscard]] std::span<const std::string> ToneList(ToneMethod method);

}  // namespace pm::testmode
