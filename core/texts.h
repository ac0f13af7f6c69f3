#pragma once
// Texts that every front end shows the same way.

#include <string_view>

namespace pm {

/** Caption of the main window and of every message box that has no caption of its own. */
inline constexpr std::string_view kAppTitle = "ARVOS PM-514RX Programing Software";
/** Caption of "Out of range!" and of the band-change question. */
inline constexpr std::string_view kPromptCaption = "Prompt";

/** Buttons a question may offer. */
enum class Buttons { Ok, OkCancel, RetryCancel };
/** The answer to a question. */
enum class Answer { Ok, Cancel, Retry };
/** Icon of a message box. */
enum class Icon { None, Information, Warning, Error };

/** One message box: what the user is shown and may answer. */
struct Message {
    std::string_view text;
    std::string_view caption = kAppTitle;
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    friend bool operator==(const Message&, const Message&) = default;
};

}  // namespace pm
