#pragma once
// What the radio link shows: message boxes and status texts, the same in every front end.

#include <string_view>

#include "core/texts.h"

namespace pm::link {

/** The port could not be opened (missing, in use, or no permission). */
inline constexpr Message kOpenFailed{
    "Could not Open the Port,Please check whether the Port are occupied or the device are ok"};
/** The radio did not answer the wake-up, identification or confirmation. */
inline constexpr Message kCommunicationError{
    "Communication Error，Please check all the connections and the radio power", kAppTitle,
    Buttons::RetryCancel};
/** The radio's model code differs from the image's (write only). */
inline constexpr Message kModelMismatch{
    " Radio Type are not match for your setting，If you want continue,push ok button", kAppTitle,
    Buttons::OkCancel};
/** The confirmation byte could not be written. */
inline constexpr Message kSendOrderError{" Error in the Send Order"};
/** A write block was not acknowledged. */
inline constexpr Message kProgramInterrupt{" Program Interrupt，Please reset the radio and try again"};
/** A read reply came back too short. */
inline constexpr Message kNotEnoughBytes{"not received enough  byte"};
/** The acknowledgement exchange after a read block failed. */
inline constexpr Message kReadAckError{"Error had happen,please try again"};

/** Test Mode: a reply was missing or wrong. */
inline constexpr Message kTestModeError{" Error had happen ,need try again", kAppTitle, Buttons::RetryCancel};
/** Test Mode: the radio took all three frames. */
inline constexpr Message kTestModeDone{"Finish successfully!"};

/** Status line of the progress dialog, in the order they appear. */
inline constexpr std::string_view kStatusNotStarted = "   Not start yet";
inline constexpr std::string_view kStatusDetecting = "Now are detecting Communication Port,Please wait...";
inline constexpr std::string_view kStatusWaiting = "Waiting the response from radio....";
/** Label in front of the status line. */
inline constexpr std::string_view kProgressLabel = "Progress：";
/** Captions of the progress dialog. */
inline constexpr std::string_view kReadCaption = "Reading Data Progress";
inline constexpr std::string_view kWriteCaption = "Writing Data Progress";
/** The progress bar runs from 0 to this. */
inline constexpr int kProgressMax = 251;

}  // namespace pm::link
