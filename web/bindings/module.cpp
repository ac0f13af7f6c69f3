// What the page calls: the document, the transfers with their safety and outcome texts, the virtual radio.

#include <emscripten.h>
#include <emscripten/bind.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "core/editing/cell_rules.h"
#include "core/editing/enter_walk.h"
#include "core/image/channel_file.h"
#include "core/image/channel_table.h"
#include "core/image/image_diff.h"
#include "core/link/link_texts.h"
#include "core/link/transfer_session.h"
#include "core/safety/outcome_text.h"
#include "core/safety/safe_write.h"
#include "sim/demo_image.h"
#include "sim/fault_text.h"
#include "sim/virtual_radio.h"
#include "web/bindings/plan_editor.h"
#include "web/bindings/web_serial_port.h"

namespace pm::web {
namespace {

using emscripten::val;

// The bodies are JavaScript, which clang-format would break.
// clang-format off
// globalThis.pmHost is the page's progress dialog and message boxes.
EM_JS(void, HostStatus, (const char* text), { globalThis.pmHost.status(UTF8ToString(text)); });
EM_JS(void, HostProgress, (int position), { globalThis.pmHost.progress(position); });
EM_JS(void, HostBlock, (int done, int total), { globalThis.pmHost.block(done, total); });
EM_JS(void, HostStage, (int stage), { globalThis.pmHost.stage(stage); });
EM_JS(int, HostCancelled, (), { return globalThis.pmHost.cancelled() ? 1 : 0; });
EM_ASYNC_JS(int, HostAsk, (const char* text, const char* caption, int buttons, int icon), {
    return await globalThis.pmHost.ask(UTF8ToString(text), UTF8ToString(caption), buttons, icon);
});
// clang-format on

// Backups go to the in-memory file system first; the page moves each one into IndexedDB.
// Relative: the in-memory root refuses mkdir("/") with EINVAL where Linux says EEXIST.
const std::filesystem::path kBackupDir = "backups";
constexpr const char* kPortName = "WebSerial";

class PageHost : public SafeWriteHost {
  public:
    void SetStatus(std::string_view text) override { HostStatus(std::string(text).c_str()); }
    void SetProgress(int position) override { HostProgress(position); }
    void BlockDone(int done, int total) override { HostBlock(done, total); }
    bool CancelRequested() override { return HostCancelled() != 0; }
    void StageStarted(SafeStage stage) override { HostStage(static_cast<int>(stage)); }
    Answer Ask(const Message& message) override {
        const int answer = HostAsk(std::string(message.text).c_str(), std::string(message.caption).c_str(),
                                   static_cast<int>(message.buttons), static_cast<int>(message.icon));
        return answer == static_cast<int>(Answer::Ok)      ? Answer::Ok
               : answer == static_cast<int>(Answer::Retry) ? Answer::Retry
                                                           : Answer::Cancel;
    }
};

val Told(const OutcomeText& told, const LinkOutcome& link) {
    val r = val::object();
    r.set("line", told.line);
    r.set("cause", told.cause);
    r.set("wentWrong", told.wentWrong);
    r.set("radioUnsure", told.radioUnsure);
    r.set("openFailed", link.openError != 0);
    r.set("done", link.result == LinkResult::Done);
    return r;
}

val ReadRadio(PlanEditor& editor) {
    WebSerialPort port;
    PageHost host;
    Image image = editor.Current();
    const LinkOutcome outcome = TransferSession(port, kPortName, host).Read(image);
    if (outcome.result == LinkResult::Done) editor.Replace(image);
    return Told(ReadOutcomeText(outcome), outcome);
}

val WriteImage(const Image& image, bool backup, bool verify) {
    WebSerialPort port;
    PageHost host;
    SafeWriteOptions options;
    if (backup) options.backupDir = kBackupDir;
    options.verify = verify;
    const SafeWriteOutcome outcome = SafeWrite(port, kPortName, host, image, options);
    val r = Told(WriteOutcomeText(outcome), outcome.link);
    val diff = val::array();
    if (outcome.status == SafeStatus::VerifyMismatch) {
        for (const std::string& line : DescribeDiff(outcome.mismatch)) diff.call<void>("push", line);
    }
    r.set("mismatch", diff);
    if (!outcome.backupPath.empty()) {
        // Moved out of memory at once: IndexedDB keeps it, the in-memory copy would only grow.
        Image kept{};
        // Under emscripten the copy is made without read permission (its umask() is a stub).
        std::error_code ec;
        std::filesystem::permissions(outcome.backupPath, std::filesystem::perms::owner_read,
                                     std::filesystem::perm_options::add, ec);
        const FileOutcome loaded = LoadChannelFile(outcome.backupPath, kept);
        r.set("backupName", outcome.backupPath.filename().string());
        if (loaded.ok()) {
            r.set("backupBytes",
                  val::global("Uint8Array").new_(emscripten::typed_memory_view(kept.size(), kept.data())));
        } else {
            r.set("backupError", loaded.message);
        }
        std::filesystem::remove(outcome.backupPath, ec);
    }
    return r;
}

val WriteRadio(PlanEditor& editor, bool backup, bool verify) {
    return WriteImage(editor.Current(), backup, verify);
}

/** Writes a backup's bytes back into the radio; no new backup of the radio it is meant to repair. */
val RestoreBackup(const std::string& bytes, bool verify) {
    if (bytes.size() < kImageSize) return val::null();
    Image image{};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(bytes.data()), kImageSize, image.begin());
    return WriteImage(image, false, verify);
}

/** The virtual radio behind the page's stream port: bytes in, timed segments out. */
class PageRadio {
  public:
    explicit PageRadio(bool silent)
        : radio_(sim::DemoImage(), sim::DemoImage()[kModelOffset], Faults(silent)) {}

    /** Adds a block fault named as on the command line; false when the name means nothing. */
    bool AddFault(const std::string& text) {
        const std::optional<sim::BlockFault> fault = sim::ParseBlockFault(text);
        if (!fault) return false;
        sim::Faults faults = radio_.CurrentFaults();
        faults.blocks.push_back(*fault);
        radio_ = sim::VirtualRadio(radio_.Memory(), radio_.Model(), faults);
        return true;
    }

    /** {segments: [{turnaround, bytes}], drop} for the bytes received. */
    val OnBytes(const std::string& bytes) {
        const sim::Reaction reaction =
            radio_.OnBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        val segments = val::array();
        for (const sim::Segment& s : reaction.segments) {
            val seg = val::object();
            seg.set("turnaround", s.turnaround);
            seg.set("bytes", val::global("Uint8Array")
                                 .new_(emscripten::typed_memory_view(s.bytes.size(), s.bytes.data())));
            segments.call<void>("push", seg);
        }
        val r = val::object();
        r.set("segments", segments);
        r.set("drop", reaction.dropLine);
        return r;
    }

    /** The fault cleared (a loose plug pushed home): the radio keeps its memory. */
    void ClearFaults() { radio_ = sim::VirtualRadio(radio_.Memory(), radio_.Model(), Faults(false)); }

    void OnLineIdle() { radio_.OnLineIdle(); }
    [[nodiscard]] bool InFrame() const { return radio_.InFrame(); }
    [[nodiscard]] val Memory() const {
        const Image& m = radio_.Memory();
        return val::global("Uint8Array").new_(emscripten::typed_memory_view(m.size(), m.data()));
    }

  private:
    static sim::Faults Faults(bool silent) {
        sim::Faults f;
        f.silent = silent;
        return f;
    }
    sim::VirtualRadio radio_;
};

val Headings() {
    val list = val::array();
    for (const std::string_view h : ColumnHeadings()) list.call<void>("push", std::string(h));
    return list;
}

val Strings(const std::vector<std::string>& entries) {
    val list = val::array();
    for (const std::string& e : entries) list.call<void>("push", e);
    return list;
}

/** The Function Setting lists: [{label, entries, visible}] in the form's order. */
val SettingInfos() {
    val list = val::array();
    for (const Setting s : kAllSettings) {
        val info = val::object();
        info.set("label", std::string(Info(s).label));
        info.set("entries", Strings(Info(s).entries));
        info.set("visible", Info(s).visible);
        list.call<void>("push", info);
    }
    return list;
}

val EditorFor(int column) {
    return val(static_cast<int>(EditorForColumn(column)));
}
val EntriesOf(int kind) {
    return Strings(
        EditorEntries(static_cast<EditorKind>(std::clamp(kind, 0, static_cast<int>(EditorKind::Power)))));
}
int SelectionFor(int kind, const std::string& text) {
    return LoadSelection(static_cast<EditorKind>(std::clamp(kind, 0, static_cast<int>(EditorKind::Power))),
                         text);
}
val BandChangeMessage() {
    return MessageToJs(kMsgBandChange);
}
val OpenFailedMessage() {
    return MessageToJs(link::kOpenFailed);
}
val Captions() {
    val c = val::object();
    c.set("read", std::string(link::kReadCaption));
    c.set("write", std::string(link::kWriteCaption));
    return c;
}
val DemoBytes() {
    static const Image demo = sim::DemoImage();
    return val::global("Uint8Array").new_(emscripten::typed_memory_view(demo.size(), demo.data()));
}

}  // namespace
}  // namespace pm::web

EMSCRIPTEN_BINDINGS(pm514rx) {
    using namespace emscripten;
    using namespace pm::web;
    class_<PlanEditor>("PlanEditor")
        .constructor<>()
        .function("newPlan", &PlanEditor::NewPlan)
        .function("load", &PlanEditor::Load)
        .function("bytes", &PlanEditor::Bytes)
        .function("text", &PlanEditor::Text)
        .function("selected", &PlanEditor::Selected)
        .function("select", &PlanEditor::Select)
        .function("changeBand", &PlanEditor::ChangeBand)
        .function("commit", &PlanEditor::Commit)
        .function("enter", &PlanEditor::Enter)
        .function("undo", &PlanEditor::Undo)
        .function("redo", &PlanEditor::Redo)
        .function("canUndo", &PlanEditor::CanUndo)
        .function("canRedo", &PlanEditor::CanRedo);
    class_<PageRadio>("PageRadio")
        .constructor<bool>()
        .function("addFault", &PageRadio::AddFault)
        .function("onBytes", &PageRadio::OnBytes)
        .function("clearFaults", &PageRadio::ClearFaults)
        .function("onLineIdle", &PageRadio::OnLineIdle)
        .function("inFrame", &PageRadio::InFrame)
        .function("memory", &PageRadio::Memory);
    function("readRadio", &ReadRadio);
    function("writeRadio", &WriteRadio);
    function("restoreBackup", &RestoreBackup);
    function("headings", &Headings);
    function("settingInfos", &SettingInfos);
    function("editorFor", &EditorFor);
    function("entriesOf", &EntriesOf);
    function("selectionFor", &SelectionFor);
    function("bandChangeMessage", &BandChangeMessage);
    function("openFailedMessage", &OpenFailedMessage);
    function("demoBytes", &DemoBytes);
    function("captions", &Captions);
}
