#pragma once
// The settings dialog FormSet as the other windows see it.

namespace nw::ui {

// Menu "設定(&P)": loads the dialog (init, then the values) when it is not loaded, then shows it
// modeless; a loaded but hidden dialog is shown again as it was.
void showSettingsDialog();
// Entering the tray: hides the dialog, loading it hidden first when it is not loaded.
void hideSettingsDialog();

}  // namespace nw::ui
