// The words that end a read or a write, shared by the desktop program and the command line, a safe write's
// summary, and the ports offered for choosing by hand.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "core/link/link_texts.h"
#include "core/link/port_names.h"
#include "core/safety/outcome_text.h"
#include "core/safety/safe_write.h"

namespace pm {
namespace {

SafeWriteOutcome Write(SafeStatus status, SafeStage stage, int blocks, std::vector<Message> shown = {},
                       LinkResult result = LinkResult::Failed) {
    SafeWriteOutcome o;
    o.status = status;
    o.stage = stage;
    o.link.result = result;
    o.link.blocks = blocks;
    o.link.shown = std::move(shown);
    return o;
}

// Block 0 went out whole and got no answer: the radio may have stored it.
SafeWriteOutcome Unanswered(SafeWriteOutcome o) {
    o.link.blockUnanswered = true;
    return o;
}

// "line | cause | box | unsure": all of what a front end is told, in one string per row.
std::string Told(const OutcomeText& t) {
    return t.line + " | " + t.cause + " | " + (t.wentWrong ? "box" : "-") + " | " +
           (t.radioUnsure ? "unsure" : "-");
}

struct Row {
    const char* name;
    SafeWriteOutcome outcome;
    const char* told;
};

const SafeWriteOutcome kMismatch = [] {
    SafeWriteOutcome o = Write(SafeStatus::VerifyMismatch, SafeStage::Verify, 256, {}, LinkResult::Done);
    o.mismatchBytes.channels = {3};
    return o;
}();

TEST(WriteOutcome, SaysWhatTheRadioHolds) {
    // clang-format off
    const Row cases[] = {
        {"Done", Write(SafeStatus::Done, SafeStage::Write, 251, {}, LinkResult::Done),
         "Write complete: all 251 blocks are in the radio. |  | - | -"},
        {"VerifyFailed", kMismatch,
         "Write complete, but verify failed: the radio holds other data than was sent in CH 3. | "
         "Read back from the radio, CH 3 differ from what was sent. | box | unsure"},
        {"CancelledMidway", Write(SafeStatus::Cancelled, SafeStage::Write, 100, {}, LinkResult::Cancelled),
         "Write cancelled after block 100 of 251: the radio holds a mix of old and new data. | "
         "Cancelled by the user. | box | unsure"},
        {"InterruptedAtTheFirstBlock",
         Unanswered(Write(SafeStatus::WriteFailed, SafeStage::Write, 0, {link::kProgramInterrupt})),
         "Write failed after block 0 of 251: the radio holds a mix of old and new data. | "
         "Program Interrupt，Please reset the radio and try again | box | unsure"},
        {"RefusedAtTheFirstBlock",
         Write(SafeStatus::WriteFailed, SafeStage::Write, 0, {link::kProgramInterrupt}),
         "Write failed: nothing was written to the radio. | "
         "Program Interrupt，Please reset the radio and try again | box | -"},
        {"ModelRefused",
         Write(SafeStatus::Cancelled, SafeStage::Write, 0, {link::kModelMismatch}, LinkResult::Cancelled),
         "Write cancelled: nothing was written to the radio. | Cancel was the answer to: "
         "Radio Type are not match for your setting，If you want continue,push ok button | - | -"},
        {"BackupReadFailed", Write(SafeStatus::BackupFailed, SafeStage::Backup, 3, {link::kReadAckError}),
         "Backup failed: nothing was written to the radio. | Error had happen,please try again | box | -"},
        {"CheckCancelled", Write(SafeStatus::Cancelled, SafeStage::Verify, 9, {}, LinkResult::Cancelled),
         "Write complete; the check was cancelled: it is not verified. | Cancelled by the user. | - | -"},
    };
    // clang-format on
    for (const Row& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Told(WriteOutcomeText(c.outcome)), c.told);
    }
}

// The one-line summary of a safe write says whether the radio holds part of the new memory.
TEST(WriteSummary, SaysWhetherTheRadioIsHalfWritten) {
    using enum SafeStatus;
    SafeWriteOutcome mismatch = Write(VerifyMismatch, SafeStage::Verify, 256);
    mismatch.backupPath = "/tmp/radio-20261206-100000.sin";
    mismatch.mismatchBytes.channels = {1, 2, 3, 4, 5, 6, 7, 9};
    // clang-format off
    const std::pair<SafeWriteOutcome, const char*> rows[] = {
        {Write(WriteFailed, SafeStage::Write, 0, {link::kCommunicationError}),
         "write failed, nothing written"},
        {Unanswered(Write(WriteFailed, SafeStage::Write, 0, {link::kProgramInterrupt})),
         "write failed after 0 of 251 blocks, radio half-written"},
        {Write(Cancelled, SafeStage::Write, 7), "cancelled after 7 of 251 blocks, radio half-written"},
        {Write(Cancelled, SafeStage::Backup, 30), "cancelled, nothing written"},
        {Write(Cancelled, SafeStage::Verify, 12), "written, check cancelled"},
        {mismatch, "backed up, written, verify failed (CH 1, 2, 3, 4, 5, 6 and 2 more)"},
    };
    // clang-format on
    for (const auto& [outcome, text] : rows) EXPECT_EQ(SummaryText(outcome), text);
}

TEST(CompareBytes, NamesChannelsAndTheSettingsRowAndCountsTheRest) {
    Image a{}, b{};
    b[0x030] = b[0x03F] = 1;  // first and last byte of channel 3
    b[0x500] = 1;             // channel 80
    b[kSettingsOffset + 2] = 1;
    b[0x005] = b[0x7D3] = 1;  // row 0 and the model byte
    b[0x7D8] = 1;             // never sent, never compared
    EXPECT_EQ(DescribeMismatch(CompareBytes(a, b)), "CH 3, 80; settings; 2 other bytes");
    EXPECT_TRUE(CompareBytes(a, b, 0x005).Equal());
}

TEST(PortChoices, ByIdNamesAreReadableAndTheirDevicesNotListedTwice) {
    namespace fs = std::filesystem;
    const fs::path dev = fs::temp_directory_path() / ("pm-dev-" + std::to_string(::getpid()));
    fs::remove_all(dev);
    fs::create_directories(dev / "serial" / "by-id");
    for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyACM0", "rfcomm0", "ttyS0", "tty1"})
        std::ofstream(dev / name);
    fs::create_symlink("../../ttyUSB1", dev / "serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    const std::string d = dev.string();
    EXPECT_EQ(ListPortChoices(dev),
              (std::vector<PortChoice>{{d + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                                        "FTDI FT232R USB UART A50285BI (ttyUSB1)"},
                                       {d + "/rfcomm0", d + "/rfcomm0"},
                                       {d + "/ttyACM0", d + "/ttyACM0"},
                                       {d + "/ttyUSB0", d + "/ttyUSB0"}}));
    // At start: the remembered port while it is there, else the one USB adapter, else COM1.
    const std::string usb0 = d + "/ttyUSB0";
    EXPECT_EQ(ChooseStartPort(d + "/rfcomm0", {usb0}), d + "/rfcomm0");
    EXPECT_EQ(ChooseStartPort("COM3", {usb0}), "COM3");
    EXPECT_EQ(ChooseStartPort(d + "/gone", {"/dev/ttyS0", usb0}), usb0);
    EXPECT_EQ(ChooseStartPort("", {usb0, d + "/ttyACM0"}), "COM1");
    EXPECT_EQ(ChooseStartPort(d + "/gone", {"/dev/ttyS1"}), "COM1");
    fs::remove_all(dev);
}

}  // namespace
}  // namespace pm
