#pragma once
// The editing rules that need no widget: which editor serves a column, the frequency check, and what
// a committed value does to the other cells of its row. The desktop program and the CLI share them.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/image/channel_table.h"
#include "core/texts.h"

namespace pm {

inline constexpr std::string_view kTextPleaseInputNumber = "Please input Number";
inline constexpr std::string_view kTextFormatError = "Error Data Format，Please input again";
inline constexpr std::string_view kTextOutOfRange = "Out of range!";
inline constexpr std::string_view kTextStepError =
    "Error data Value，Please input according the step value(6.25K/5k)";

inline constexpr Message kMsgPleaseInputNumber{kTextPleaseInputNumber};
inline constexpr Message kMsgFormatError{kTextFormatError};
inline constexpr Message kMsgOutOfRange{kTextOutOfRange, kPromptCaption, Buttons::Ok, Icon::Information};
inline constexpr Message kMsgStepError{kTextStepError};

/** The in-place editor that serves a column. */
enum class EditorKind { None, Text, Tone, Busy, Scan, Power };

/** Editor of a grid column: 1-2 text, 3-4 tone list, 5 Busy, 6 Scan, 7 Power, others none. */
[[nodiscard]] EditorKind EditorForColumn(int column);

/** Entries of a list editor in list order (the tone table for Tone). */
[[nodiscard]] const std::vector<std::string>& EditorEntries(EditorKind kind);

/** The entry a list editor selects when loaded with a cell text: first prefix match, else 0. */
[[nodiscard]] int LoadSelection(EditorKind kind, std::string_view cellText);

/** Band limits in 10 Hz units, inclusive, by the band list index. */
struct BandLimits {
    std::uint32_t lowest;
    std::uint32_t highest;
};
[[nodiscard]] const std::array<BandLimits, 2>& BandTable();

/** Which way a frequency reached the row: committed by leaving the cell, or by the Enter key. */
enum class EditPath { Commit, Enter };

/** Outcome of the frequency check. */
struct FrequencyCheck {
    std::string result;              // the formatted frequency, or "" when refused or empty
    bool stoppedOutOfRange = false;  // Enter path only: the editor stays open and empty
    std::vector<Message> messages;   // to be shown in this order
};

/** The frequency check of a typed text against band (0 or 1; anything else counts as band 0). */
[[nodiscard]] FrequencyCheck CheckFrequency(std::string_view text, int band, EditPath path);

/** True when the Receive or the Transmit cell of row holds text. */
[[nodiscard]] bool RowHasFrequency(const ChannelTable& table, int row);

/** Writes a checked frequency r into (row, column 1 or 2) with the new-channel defaults or clearing. */
void WriteFrequencyResult(ChannelTable& table, int row, int column, const std::string& r, EditPath path);

/**
 * Commits a tone list's selected entry (empty for none) into the current cell and the cell at the
 * selection's end; a row without frequencies gets the empty text.
 */
void CommitToneValue(ChannelTable& table, int row, int column, int selRow, int selCol,
                     std::string_view selectedEntry);

/** The tone the Enter key writes for a typed text: the entry equal to it (no case), else "OFF". */
[[nodiscard]] std::string ToneForEnter(std::string_view typed);

/** The entry a text typed into the tone list's field selects: exact match, else first prefix, else -1. */
[[nodiscard]] int ToneSelectionForTyped(std::string_view typed);

/** Commits a Busy, Scan or Power entry: a row without frequencies gets the empty text. */
void CommitListValue(ChannelTable& table, int row, int column, std::string_view entry);

/** Enter on a Busy, Scan or Power list: writes the entry only when the row has a frequency. */
void EnterListValue(ChannelTable& table, int row, int column, std::string_view entry);

/**
 * One committed edit as the editor would make it (what the CLI and imports use): a frequency text is
 * checked against band; a tone text selects its entry; a list text must name an entry (no case).
 * Returns the messages the editor shows. Unknown list texts leave the cell as the editor would with no
 * selection (empty).
 */
std::vector<Message> CommitCellText(ChannelTable& table, int row, int column, std::string_view text,
                                    int band);

}  // namespace pm

namespace pm {

inline constexpr std::string_view kTextBandChange =
    "\tThe data of frequency will clear \nif the range of the frequency of radio is changed.\n\t     Make "
    "sure "
    "change it?";
inline constexpr Message kMsgBandChange{kTextBandChange, kPromptCaption, Buttons::OkCancel,
                                        Icon::Information};

inline constexpr std::string_view kTextEditData = "Please directly double click inside the table";
inline constexpr Message kMsgEditData{kTextEditData};

}  // namespace pm
