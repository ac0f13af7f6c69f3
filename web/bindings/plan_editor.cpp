#include "web/bindings/plan_editor.h"

#include <emscripten/bind.h>

#include <algorithm>

#include "core/editing/cell_rules.h"
#include "core/editing/enter_walk.h"
#include "core/image/channel_file.h"
#include "core/image/codec.h"

namespace pm::web {
namespace {

// Each edit keeps the image before it; a long session must not hold unbounded memory.
constexpr std::size_t kUndoDepth = 200;

val Messages(const std::vector<Message>& messages) {
    val list = val::array();
    for (const Message& m : messages) list.call<void>("push", MessageToJs(m));
    return list;
}

}  // namespace

val MessageToJs(const Message& message) {
    val m = val::object();
    m.set("text", std::string(message.text));
    m.set("caption", std::string(message.caption));
    m.set("buttons", static_cast<int>(message.buttons));
    m.set("icon", static_cast<int>(message.icon));
    return m;
}

PlanEditor::PlanEditor() {
    NewPlan();
}

void PlanEditor::NewPlan() {
    image_ = NewDocumentImage();
    undo_.clear();
    redo_.clear();
    Decode();
}

std::string PlanEditor::Load(const std::string& bytes, bool recordUndo) {
    Image image = image_;
    const FileOutcome outcome =
        ImageFromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), image);
    if (!outcome.ok()) return outcome.message;
    if (recordUndo) {
        Replace(image);
    } else {
        image_ = image;
        undo_.clear();
        redo_.clear();
        Decode();
    }
    return "";
}

val PlanEditor::Bytes() const {
    return val::global("Uint8Array").new_(emscripten::typed_memory_view(image_.size(), image_.data()));
}

int PlanEditor::Selected(int setting) const {
    if (setting < 0 || setting >= static_cast<int>(kAllSettings.size())) return -1;
    return lists_.Selected(kAllSettings[setting]);
}

void PlanEditor::Select(int setting, int index) {
    if (setting <= 0 || setting >= static_cast<int>(kAllSettings.size())) return;
    const Setting s = kAllSettings[setting];
    if (index < -1 || index >= static_cast<int>(Info(s).entries.size()) || lists_.Selected(s) == index)
        return;
    const Image before = image_;
    lists_.Select(s, index);
    Sync();
    Record(before);
}

void PlanEditor::ChangeBand(int band) {
    if (band < 0 || band >= static_cast<int>(Info(Setting::Field).entries.size())) return;
    const Image before = image_;
    BandReset(image_, band);
    Decode();
    Record(before);
}

val PlanEditor::Commit(int row, int col, const std::string& text) {
    std::vector<Message> messages;
    if (row < 1 || row > kChannelCount) return Messages(messages);
    const EditorKind kind = EditorForColumn(col);
    if (kind == EditorKind::None) return Messages(messages);
    const Image before = image_;
    if (kind == EditorKind::Text) {
        const FrequencyCheck check = CheckFrequency(text, lists_.Selected(Setting::Field), EditPath::Commit);
        messages = check.messages;
        WriteFrequencyResult(table_, row, col, check.result, EditPath::Commit);
    } else if (kind == EditorKind::Tone) {
        CommitToneValue(table_, row, col, row, col, text);
    } else {
        CommitListValue(table_, row, col, text);
    }
    Sync();
    Record(before);
    return Messages(messages);
}

val PlanEditor::Enter(int row, int col, int focus, const std::string& text) {
    val result = val::object();
    std::vector<Message> messages;
    const auto where = static_cast<EnterFocus>(std::clamp(focus, 0, static_cast<int>(EnterFocus::Other)));
    bool stopped = false;
    if (row >= 1 && row <= kChannelCount && where != EnterFocus::Grid && where != EnterFocus::Other) {
        const Image before = image_;
        if (where == EnterFocus::TextEditor) {
            const FrequencyCheck check =
                CheckFrequency(text, lists_.Selected(Setting::Field), EditPath::Enter);
            messages = check.messages;
            stopped = check.stoppedOutOfRange;
            if (!stopped) WriteFrequencyResult(table_, row, col, check.result, EditPath::Enter);
        } else if (where == EnterFocus::ToneList) {
            EnterToneValue(table_, row, col, row, col, text);
        } else {
            EnterListValue(table_, row, col, text);
        }
        Sync();
        Record(before);
    }
    const EnterStep step = EnterStepFor(where, row, col);
    result.set("messages", Messages(messages));
    result.set("stopped", stopped);
    result.set("move", static_cast<int>(step.move));
    result.set("openNext", step.openNext);
    return result;
}

bool PlanEditor::Undo() {
    if (undo_.empty()) return false;
    redo_.push_back(image_);
    image_ = undo_.back();
    undo_.pop_back();
    Decode();
    return true;
}

bool PlanEditor::Redo() {
    if (redo_.empty()) return false;
    undo_.push_back(image_);
    image_ = redo_.back();
    redo_.pop_back();
    Decode();
    return true;
}

void PlanEditor::Replace(const Image& image) {
    const Image before = image_;
    image_ = image;
    Decode();
    Record(before);
}

void PlanEditor::Record(const Image& before) {
    // An edit that changed no byte is no step to undo.
    if (before == image_) return;
    undo_.push_back(before);
    if (undo_.size() > kUndoDepth) undo_.erase(undo_.begin());
    redo_.clear();
}

void PlanEditor::Sync() {
    EncodeImage(table_, lists_, image_);
}

void PlanEditor::Decode() {
    table_ = StringTable();
    lists_ = SettingSelections();
    DecodeImage(image_, table_, lists_);
}

}  // namespace pm::web
