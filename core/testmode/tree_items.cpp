#include "core/testmode/tree_items.h"

#include "core/image/tone.h"

namespace pm::testmode {
namespace {

template <typename Row, std::size_t N, typename Key>
const Row* Find(const std::array<Row, N>& rows, Key Row::*key, int value) {
    for (const Row& row : rows) {
        if (row.*key == value) return &row;
    }
    return nullptr;
}

}  // namespace

const TestFrequencyRow* TestFrequencyByCode(int n) {
    return Find(kTestFrequencies, &TestFrequencyRow::code, n);
}

const TestFrequencyRow* TestFrequencyByNumber(int n) {
    return Find(kTestFrequencies, &TestFrequencyRow::number, n);
}

const AlignmentItemRow* AlignmentItemByCode(int n) {
    return Find(kAlignmentItems, &AlignmentItemRow::code, n);
}

const AlignmentItemRow* AlignmentItemByNumber(int n) {
    return Find(kAlignmentItems, &AlignmentItemRow::number, n);
}

std::span<const std::string> ToneList(ToneMethod method) {
    static_assert(kDqtListFirst + kDqtListCount <= kToneCount);
    const ToneSlice slice = ToneSliceOf(method);
    return std::span<const std::string>(ToneTable())
        .subspan(static_cast<std::size_t>(slice.first), static_cast<std::size_t>(slice.count));
}

}  // namespace pm::testmode
