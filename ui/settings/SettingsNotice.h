#pragma once

class QWidget;

namespace pelmar {

class SettingsStore;

// The information box with settingsStateMessage(), shown once at start-up
// when the settings store did not open cleanly; nothing otherwise.
void reportSetAside(QWidget* parent, const SettingsStore& store);

} // namespace pelmar
