#pragma once
// Whole-channel operations on the memory image: a channel is its 16-byte record, and every operation
// moves records whole, so bytes that nothing interprets travel with their channel. Records rotate
// rather than vanish: a record that leaves the list (delete) or falls off its end (insert) is emptied
// of its data and takes the freed place, so insert and delete undo each other whenever the record
// that rotates holds no frequency. Images that saving wrote stay images that saving would write.

#include <vector>

#include "core/image/memory_image.h"
#include "core/texts.h"

namespace pm {

/** Channels picked by the user, 1..80, in any order; duplicates and numbers outside 1..80 are ignored. */
using ChannelSelection = std::vector<int>;

inline constexpr std::string_view kTextInsertDropsLast =
    "Channel 80 holds data that the insert pushes off the end of the list. Insert anyway?";
/** Asked before an insert whose dropped channel 80 holds a frequency. */
inline constexpr Message kMsgInsertDropsLast{kTextInsertDropsLast, kPromptCaption, Buttons::OkCancel,
                                             Icon::Warning};

/** True for a channel number 1..80. */
[[nodiscard]] bool IsChannelNumber(int channel);

/** True when channel (1..80) has a receive or a transmit frequency. */
[[nodiscard]] bool ChannelHoldsData(const Image& image, int channel);

/**
 * Empties channel as saving writes an empty row: no frequencies or tones, busy bits set, scan and power
 * bits and the step flags clear; the bits and byte nothing interprets stay.
 */
void ClearChannel(Image& image, int channel);

/** Empties every selected channel. */
void ClearChannels(Image& image, const ChannelSelection& channels);

/** Puts channel from at position to; the channels between shift by one toward from's old place. */
void MoveChannel(Image& image, int from, int to);

/** Exchanges the records of channels a and b. */
void SwapChannels(Image& image, int a, int b);

/** Copies the whole record of channel from over channel to. */
void CopyChannel(Image& image, int from, int to);

/** True when an insert would push data off the end: channel 80 holds a frequency. */
[[nodiscard]] bool InsertDropsData(const Image& image);

/**
 * Opens an empty channel at position at; the channels from there move down one and channel 80's record
 * rotates to at, emptied if it held data. Returns whether data was dropped (ask with InsertDropsData first).
 */
bool InsertChannel(Image& image, int at);

/** Removes channel at: the channels below move up one and its record, emptied, becomes channel 80. */
void DeleteChannel(Image& image, int at);

/** Removes every selected channel: the others close up in their order and the removed ones, emptied, follow.
 */
void DeleteChannels(Image& image, const ChannelSelection& channels);

/**
 * Moves each selected channel one place up past an unselected neighbour; a selected block already at
 * the top stays. Returns the selection's new channel numbers, ascending.
 */
ChannelSelection MoveChannelsUp(Image& image, const ChannelSelection& channels);

/** Moves each selected channel one place down, as MoveChannelsUp does upward. */
ChannelSelection MoveChannelsDown(Image& image, const ChannelSelection& channels);

/**
 * Sorts the channels by receive frequency, ascending and stable; channels with only a transmit
 * frequency follow in their order, then the empty ones.
 */
void SortChannelsByReceive(Image& image);

}  // namespace pm
