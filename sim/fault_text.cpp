#include "sim/fault_text.h"

#include <charconv>
#include <map>

#include "core/link/frames.h"

namespace pm::sim {
namespace {

const std::map<std::string, BlockFaultKind> kFaultKinds = {
    {"write-no-ack", BlockFaultKind::WriteNoAck},    {"write-nak", BlockFaultKind::WriteNak},
    {"corrupt-write", BlockFaultKind::CorruptWrite}, {"short-reply", BlockFaultKind::ShortReply},
    {"read-no-ack", BlockFaultKind::ReadNoAck},      {"read-nak", BlockFaultKind::ReadNak},
    {"drop-line", BlockFaultKind::DropLine},
};

}  // namespace

std::optional<BlockFault> ParseBlockFault(const std::string& arg) {
    const auto at = arg.find('@');
    if (at == std::string::npos) return std::nullopt;
    const auto kind = kFaultKinds.find(arg.substr(0, at));
    if (kind == kFaultKinds.end()) return std::nullopt;
    std::string rest = arg.substr(at + 1);
    std::string length;
    if (const auto colon = rest.find(':'); colon != std::string::npos) {
        length = rest.substr(colon + 1);
        rest = rest.substr(0, colon);
    }
    BlockFault fault{kind->second, 0, 0};
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), fault.block);
    if (rest.empty() || ec != std::errc{} || end != rest.data() + rest.size() || fault.block < 0 ||
        fault.block >= frame::kReadBlocks) {
        return std::nullopt;
    }
    if (fault.kind == BlockFaultKind::ShortReply) {
        unsigned n = 0;
        const auto [e2, ec2] = std::from_chars(length.data(), length.data() + length.size(), n);
        if (length.empty() || ec2 != std::errc{} || e2 != length.data() + length.size() ||
            n >= frame::kReplySize) {
            return std::nullopt;
        }
        fault.length = n;
    } else if (!length.empty()) {
        return std::nullopt;
    }
    return fault;
}

}  // namespace pm::sim
