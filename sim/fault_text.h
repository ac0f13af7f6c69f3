#pragma once
// Block faults as the command line and the page's address name them: "write-no-ack@100".

#include <optional>
#include <string>

#include "sim/virtual_radio.h"

namespace pm::sim {

/** KIND@BLOCK or short-reply@BLOCK:LENGTH; nullopt for anything else. */
[[nodiscard]] std::optional<BlockFault> ParseBlockFault(const std::string& arg);

}  // namespace pm::sim
