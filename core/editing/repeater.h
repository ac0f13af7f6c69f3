#pragma once
// Repeater channels in one step: a duplex with its offset gives the Transmit cell from the Receive cell,
// and a tone mode gives both tone cells. The results pass the editor's checks channel by channel; a
// channel whose transmit frequency is refused keeps all its cells.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/editing/channel_rows.h"
#include "core/editing/clipboard_text.h"
#include "core/image/channel_table.h"

namespace pm {

enum class Duplex { Simplex, Plus, Minus, Split };
enum class ToneMode { None, Tone, ToneSquelch, Dcs, Cross };

/** Offsets offered by the dialog, in MHz. */
inline constexpr std::string_view kOffsetPresets[] = {"0.6", "5"};

/** What a repeater edit sets; a part left out leaves its cells as they are. */
struct RepeaterEdit {
    std::optional<Duplex> duplex;  // nothing: Transmit stays
    std::string offset;            // MHz ("0.6"); Split: the transmit frequency
    std::optional<ToneMode> tone;  // nothing: the tone cells stay
    std::string ctcss;             // Tone and ToneSquelch: "88.5"
    std::string dcs;               // Dcs: a code "023" or a table entry "D023N"
    char polarity = 'N';           // Dcs: 'N' normal, 'I' inverted
    std::string rxTone;            // Cross: table entries, "OFF" for none
    std::string txTone;
};

/** Why edit cannot be applied to any channel (a tone not in the table, an offset not a number); "" when it
 * can. */
[[nodiscard]] std::string RepeaterEditProblem(const RepeaterEdit& edit);

/** The Rx Tone and Tx Tone texts a tone mode gives; nothing when the tone mode is not set. */
struct TonePair {
    std::string rx;
    std::string tx;
};
[[nodiscard]] std::optional<TonePair> TonesOf(const RepeaterEdit& edit);

/**
 * Applies edit to each channel: Transmit from Receive and the duplex (a channel with no receive
 * frequency is refused), then the tones. Refusals carry the editor's message for that channel.
 */
PasteReport ApplyRepeater(ChannelTable& table, const ChannelSelection& channels, const RepeaterEdit& edit,
                          int band);

/** Reads "+0.6", "-5", "simplex" or "split:146.52" (the command line's form); the reason when it is not. */
[[nodiscard]] std::optional<RepeaterEdit> ParseDuplexText(std::string_view text, std::string& why);

/** Reads "none", "tone:T", "tsql:T", "dcs:D023N" or "dcs:023", "cross:RX,TX"; the reason when it is not. */
[[nodiscard]] std::optional<RepeaterEdit> ParseToneText(std::string_view text, std::string& why);

}  // namespace pm
