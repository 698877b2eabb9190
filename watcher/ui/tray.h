#pragma once
// Residency in the notification area (the tray), for the main window.
#include <QObject>
#include <functional>
#include <string>

class QWidget;

namespace nw::ui {

class TrayResidency : public QObject {
    Q_OBJECT

public:
    // `onEnter` runs when the window enters the tray: it closes the about window and hides the
    // settings dialog.
    TrayResidency(QWidget* mainWindow, std::function<void()> onEnter, QObject* parent = nullptr);
    ~TrayResidency() override;

    void EnterTray();       // menu "常駐(&T)" and minimizing the window
    void fff();             // back from the tray (the icon's left-button press)
    void RemoveTrayIcon();  // at shutdown
    void UpdateTrayTip(const std::string& tipField);

private:
    QWidget* mainWindow_;
    std::function<void()> onEnter_;
};

}  // namespace nw::ui
