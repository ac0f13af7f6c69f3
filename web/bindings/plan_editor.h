#pragma once
// The page's document: the image, its grid texts and lists, and the undo history, all decided by the core.

#include <emscripten/val.h>

#include <string>
#include <vector>

#include "core/image/channel_table.h"
#include "core/image/memory_image.h"
#include "core/image/setting_lists.h"
#include "core/texts.h"

namespace pm::web {

using emscripten::val;

class PlanEditor {
  public:
    PlanEditor();

    /** A new document, as the desktop's New makes it. */
    void NewPlan();
    /** Takes a channel file's bytes; "" on success, else the message, and nothing changes. */
    std::string Load(const std::string& bytes, bool recordUndo);
    /** The bytes Save writes: the cells and lists encoded into the document's image. */
    [[nodiscard]] val Bytes() const;

    [[nodiscard]] std::string Text(int row, int col) const { return table_.Text(row, col); }
    [[nodiscard]] int Selected(int setting) const;
    /** Selects an entry of a list other than the band; a band change goes through ChangeBand. */
    void Select(int setting, int index);
    /** Clears the channels and resets the settings for the other band (after the user agreed). */
    void ChangeBand(int band);

    /** A cell left with text typed or an entry chosen: the messages the editor shows, in order. */
    val Commit(int row, int col, const std::string& text);
    /** Enter pressed with focus (EnterFocus) on (row, col): {messages, stopped, move, openNext}. */
    val Enter(int row, int col, int focus, const std::string& text);

    bool Undo();
    bool Redo();
    [[nodiscard]] bool CanUndo() const { return !undo_.empty(); }
    [[nodiscard]] bool CanRedo() const { return !redo_.empty(); }
    [[nodiscard]] const Image& Current() const { return image_; }
    /** A changed image (read from the radio, a restored backup) replaces the document, undoably. */
    void Replace(const Image& image);

  private:
    void Record(const Image& before);
    void Sync();
    void Decode();

    Image image_{};
    StringTable table_;
    SettingSelections lists_;
    std::vector<Image> undo_;
    std::vector<Image> redo_;
};

/** A message box as the page shows it: {text, caption, buttons, icon}. */
[[nodiscard]] val MessageToJs(const Message& message);

}  // namespace pm::web
