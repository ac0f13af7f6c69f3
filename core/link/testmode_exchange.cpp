#include "core/link/testmode_exchange.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "core/image/bcd.h"
#include "core/image/numeric_text.h"
#include "core/link/frames.h"
#include "core/link/link_texts.h"
#include "core/link/port_names.h"
#include "core/testmode/field_frequency.h"

namespace pm {
namespace {

// Far below anything typed, far above the error of a double: 67.0 * 10 must not lose a tenth.
constexpr double kTruncationSlack = 1e-6;

void Pause(SerialPort& port, int ms) {
    port.Pause(std::chrono::milliseconds(ms));
}

void PutFrequency(std::uint32_t f, std::uint8_t* out) {
    f = std::min<std::uint32_t>(f, 99999999u);
    out[0] = BcdByte(f % 100);
    out[1] = BcdByte((f / 100) % 100);
    out[2] = BcdByte((f / 10000) % 100);
    out[3] = BcdByte(f / 1000000);
}

bool IsByte(const ReadResult& r, std::uint8_t got, std::uint8_t expected) {
    return r.ok && r.count == 1 && got == expected;
}

/** The steps of one attempt; false at the first missing or wrong answer. */
class Attempt {
  public:
    Attempt(SerialPort& port, const TestModeRequest& request) : port_(port), request_(request) {}

    bool Run() {
        Pause(port_, 700);
        for (const std::uint8_t b : frame::kWakeUp) {
            port_.Purge(Purge::Clear);
            Write({b});
            Pause(port_, 1);
        }
        port_.Purge(Purge::Clear);
        std::uint8_t got = 0;
        ReadResult r = port_.Read({&got, 1});
        if (!IsByte(r, got, frame::kAck)) {
            if (!r.ok) return false;
            port_.Purge(Purge::Clear);
            r = port_.Read({&got, 1});
            if (!IsByte(r, got, frame::kAck)) return false;
        }

        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        Write({frame::kIdentify[0]});
        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        Write({frame::kIdentify[1]});
        port_.Purge(Purge::Clear);
        std::array<std::uint8_t, frame::kIdRecordSize> record{};
        if (!port_.Read(record).ok) return false;  // neither length nor contents matter

        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        Write({frame::kAck});
        if (!Answered(frame::kAck)) return false;

        const std::uint8_t letter = TestItemLetter(request_.item);
        port_.Purge(Purge::Clear);
        Pause(port_, 1);
        Write({frame::kTestCommand});
        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        Write({letter});
        Pause(port_, 1);
        port_.Purge(Purge::Clear);
        Write({letter, static_cast<std::uint8_t>(frame::kBlockSize)});
        if (!Answered(frame::kTestAck)) return false;

        Pause(port_, 1);
        const auto frequencies = FrequencyFrame(request_.rxFrequency, request_.txFrequency);
        port_.Purge(Purge::Clear);
        (void)port_.Write(frequencies);
        if (!Answered(frame::kTestAck)) return false;

        Pause(port_, 1);
        const auto values = ValueFrame(request_.rxTone, request_.txTone, request_.value);
        port_.Purge(Purge::Clear);
        (void)port_.Write(values);
        return Answered(frame::kTestAck);
    }

  private:
    // No write is examined: one that fails shows up as a missing answer.
    void Write(std::initializer_list<std::uint8_t> bytes) {
        (void)port_.Write(std::span<const std::uint8_t>(bytes.begin(), bytes.size()));
    }

    bool Answered(std::uint8_t expected) {
        port_.Purge(Purge::Clear);
        std::uint8_t got = 0;
        const ReadResult r = port_.Read({&got, 1});
        return IsByte(r, got, expected);
    }

    SerialPort& port_;
    const TestModeRequest& request_;
};

}  // namespace

std::uint8_t TestItemLetter(TestItem item) {
    switch (item) {
        case TestItem::TxFrequency:
            return 'q';
        case TestItem::LowPowerVoltage:
            return 'r';
        case TestItem::SquelchLevel:
            return 's';
        case TestItem::TxPower:
            return 't';
    }
    return 'q';
}

std::array<std::uint8_t, 8> FrequencyFrame(std::string_view rxText, std::string_view txText) {
    std::array<std::uint8_t, 8> frame{};
    PutFrequency(testmode::FrameFrequencyUnits(rxText), frame.data());
    PutFrequency(testmode::FrameFrequencyUnits(txText), frame.data() + 4);
    return frame;
}

std::array<std::uint8_t, 2> ToneBytes(std::string_view entry) {
    const double tenths = ParseLeadingDouble(entry) * 10.0;
    // Only list entries come here; anything else still gives two valid BCD bytes.
    unsigned t = 0;
    if (tenths >= 0 && tenths < 10000) t = static_cast<unsigned>(std::floor(tenths + kTruncationSlack));
    if (tenths >= 10000) t = 9999;
    return {BcdByte(t % 100), BcdByte(t / 100)};
}

std::array<std::uint8_t, 8> ValueFrame(std::string_view rxTone, std::string_view txTone, std::uint8_t value) {
    const auto rx = ToneBytes(rxTone);
    const auto tx = ToneBytes(txTone);
    return {rx[0],
            rx[1],
            tx[0],
            tx[1],
            frame::kValueFrameFixed[0],
            frame::kValueFrameFixed[1],
            frame::kValueFrameFixed[2],
            value};
}

LinkOutcome RunTestMode(SerialPort& port, std::string_view portName, const TestModeRequest& request,
                        SessionHost& host) {
    LinkOutcome outcome;
    outcome.device = DevicePathOfPort(portName);
    auto show = [&](const Message& m) {
        outcome.shown.push_back(m);
        return host.Ask(m);
    };
    if (const int error = port.Open(portName); error != 0) {
        outcome.openError = error;
        show(link::kOpenFailed);
        return outcome;
    }
    PortCloser closer(port);
    (void)port.Configure(kTestModeTimeouts);
    port.Purge(Purge::Clear);
    for (;;) {
        if (host.CancelRequested()) {
            outcome.result = LinkResult::Cancelled;
            return outcome;
        }
        if (Attempt(port, request).Run()) break;
        if (show(link::kTestModeError) != Answer::Retry) {
            outcome.result = LinkResult::Failed;
            return outcome;
        }
    }
    port.Close();
    show(link::kTestModeDone);
    outcome.result = LinkResult::Done;
    return outcome;
}

}  // namespace pm
