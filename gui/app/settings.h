#pragma once
// Where the program keeps the user's settings: ~/.config/pm514rx/pm514rx.conf.

#include <QSettings>

namespace pm {

/** The settings' organisation and application name, both the program's own. */
inline constexpr char kSettingsName[] = "pm514rx";

/** The user's settings file. */
[[nodiscard]] QSettings UserSettings();

/**
 * Moves the settings that older versions kept under the framework's default organisation name
 * (~/.config/Local AppWizard-Generated Applications/<title>.conf) to the new file, once: the old file is
 * removed after it was copied, and left alone when the new file already holds settings or could not be
 * written.
 */
void MoveOldSettings();

}  // namespace pm
