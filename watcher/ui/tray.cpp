// placeholder until the tray residency is written
#include "tray.h"

#include <QWidget>

namespace nw::ui {
TrayResidency::TrayResidency(QWidget* mainWindow, std::function<void()> onEnter, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow), onEnter_(std::move(onEnter)) {}
TrayResidency::~TrayResidency() = default;
void TrayResidency::EnterTray() {}
void TrayResidency::fff() {}
void TrayResidency::RemoveTrayIcon() {}
void TrayResidency::UpdateTrayTip(const std::string&) {}
}  // namespace nw::ui
