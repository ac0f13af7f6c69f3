#pragma once
// The desktop program as shipped: what every MainWindow gets beyond the shell of app/.

namespace pm {

class MainWindow;

/** Installs CSV exchange, printing, the radio link and Test Mode into window; once per window. */
void InstallFeatures(MainWindow& window);

}  // namespace pm
