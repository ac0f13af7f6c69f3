// Every text a user or a file can supply goes through the parsers and checks without undefined behaviour.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/editing/cell_rules.h"
#include "core/image/codec.h"
#include "core/image/numeric_text.h"
#include "core/image/tone.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)pm::ParseLeadingDouble(text);
    (void)pm::ParseLeadingUnsigned(text);
    std::uint8_t bytes[4];
    std::uint8_t step = 0;
    pm::EncodeFrequency(text, bytes, step);
    const pm::ToneCode code = pm::EncodeTone(text);
    const pm::ToneCode again = pm::EncodeTone(pm::DecodeTone(code, true));
    if (!(pm::EncodeTone(pm::DecodeTone(again, true)) == again)) std::abort();
    for (int band = 0; band < 2; ++band) {
        const pm::FrequencyCheck check = pm::CheckFrequency(text, band, pm::EditPath::Commit);
        // An accepted value is the editor's own text and survives the check again unchanged.
        if (!check.result.empty() &&
            pm::CheckFrequency(check.result, band, pm::EditPath::Commit).result != check.result) {
            std::abort();
        }
        (void)pm::CheckFrequency(text, band, pm::EditPath::Enter);
    }
    pm::StringTable table;
    for (int column = 1; column <= 7; ++column) (void)pm::CommitCellText(table, 1, column, text, 0);
    return 0;
}
