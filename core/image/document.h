#pragma once
// The editor's working copy for front ends that have no grid of their own.

#include "core/image/channel_table.h"
#include "core/image/codec.h"
#include "core/image/memory_image.h"
#include "core/image/setting_lists.h"

namespace pm {

/** An image decoded into a plain table and lists, as the desktop program holds it after opening a file. */
struct EditorState {
    StringTable table;
    SettingSelections lists;
};

/** Decodes image into a fresh editor state. */
[[nodiscard]] EditorState DecodeToState(const Image& image);

/** What saving writes after opening image without edits: decode, then encode into a copy of image. */
[[nodiscard]] Image RoundTrip(const Image& image);

}  // namespace pm
