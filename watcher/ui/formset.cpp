// placeholder until the settings dialog is written
#include "formset_api.h"
namespace nw::ui {
void showSettingsDialog() {}
void hideSettingsDialog() {}
}  // namespace nw::ui
