#pragma once
// Residency in the notification area (the tray), for the main window.
//
// Three layers: a tray service with add, modify and delete requests that carry one record
// (TrayNotify, built on QSystemTrayIcon); a window-procedure swap (SetWindowProc, an event
// filter in front of the window's own handling); and TrayResidency, which moves the main window
// into the tray and back.
#include <QEvent>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QSystemTrayIcon;

namespace nw::ui {

// ---- the tray service ----------------------------------------------------------------------

// Requests of TrayNotify.
enum TrayRequest : int { NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2 };
// Which fields of the record an add or modify request carries.
inline constexpr uint32_t NIF_MESSAGE = 1;
inline constexpr uint32_t NIF_ICON = 2;
inline constexpr uint32_t NIF_TIP = 4;

inline constexpr uint32_t kTrayRecordSize = 152;         // size field of every request
inline constexpr uint32_t kTrayIconId = 10;              // our one icon's id
inline constexpr uint32_t kTrayCallbackMessage = 1025;   // first user message number 1024, plus 1
inline constexpr int kTrayTipBytes = 64;

// Mouse codes that arrive as lParam of the callback message.
inline constexpr intptr_t kLeftButtonDown = 513;
inline constexpr intptr_t kLeftButtonDoubleClick = 515;
inline constexpr intptr_t kRightButtonDown = 516;
inline constexpr intptr_t kMiddleButtonDown = 519;

// The record that every tray request carries.
struct TrayIconRecord {
    uint32_t cbSize = 0;               // kTrayRecordSize
    QWidget* hWnd = nullptr;           // the window that owns the icon and receives its messages
    uint32_t uID = 0;                  // icon id, unique per window
    uint32_t uFlags = 0;               // NIF_* fields that an add or modify carries
    uint32_t uCallbackMessage = 0;     // message number the icon's mouse events arrive as
    QIcon hIcon;                       // the icon image
    std::array<char, kTrayTipBytes> szTip{};  // tip in CP932: shown up to the NUL, at most 63 bytes
};

// Sends one request to the tray. Add fails when the icon exists, modify and delete when it does
// not. The icons live on QSystemTrayIcon; one exists per (window, id).
bool TrayNotify(int request, const TrayIconRecord& record);

// The tray icon shown for (window, id), or null. For tests and diagnostics.
QSystemTrayIcon* trayIconFor(const QWidget* window, uint32_t id);

// Watches every request that TrayNotify receives (tests); an empty function stops watching.
using TrayRequestObserver = std::function<void(int request, const TrayIconRecord& record)>;
void setTrayRequestObserver(TrayRequestObserver observer);

// Fills a tip field from text (UTF-8): CP932, left-aligned, padded with blanks, cut after 64
// bytes without splitting a double-byte character.
std::array<char, kTrayTipBytes> toTipBytes(const std::string& text);
// What the tray shows of a tip field: up to the first NUL, at most 63 bytes, lines split at CR LF.
QString tipToolTip(const std::array<char, kTrayTipBytes>& tip);

// A message of the tray to the icon's window: the callback message, wParam = icon id,
// lParam = mouse code. The icon's left-button press (QSystemTrayIcon::Trigger, emitted on the
// press) arrives with kLeftButtonDown.
class TrayMessageEvent : public QEvent {
public:
    TrayMessageEvent(uint32_t message, uintptr_t wParam, intptr_t lParam);
    static QEvent::Type eventType();
    uint32_t message;
    uintptr_t wParam;
    intptr_t lParam;
};

// ---- the window-procedure swap -------------------------------------------------------------

// A window procedure here is an event-filter object standing in front of the window's own
// handling; null stands for the window's own handling alone.
using WindowProc = QObject*;
// Puts `proc` in front of the window's own handling and returns the one it replaced.
WindowProc SetWindowProc(QWidget* window, WindowProc proc);
// Hands an event to `proc`, then (when it did not take it) to the window's own handling.
// True when the event was handled.
bool CallWindowProc(WindowProc proc, QWidget* window, QEvent* event);

// ---- residency -----------------------------------------------------------------------------

class TrayResidency : public QObject {
    Q_OBJECT

public:
    // `onEnter` runs when the window enters the tray: it closes the about window and hides the
    // settings dialog.
    TrayResidency(QWidget* mainWindow, std::function<void()> onEnter, QObject* parent = nullptr);
    ~TrayResidency() override;

    // Menu "常駐(&T)" and minimizing the window. Without a tray host the window stays where it
    // is: a minimized window stays minimized, the menu command says why it cannot enter.
    void EnterTray();
    // Resize of the main window: enters the tray when the window is minimized.
    void Form_Resize();
    // fff: back from the tray (the icon's left-button press).
    void fff();
    void RemoveTrayIcon();  // at shutdown
    void UpdateTrayTip(const std::string& tipField);

    // The handler that the tray's message handler replaced while the icon is shown.
    WindowProc SavedWindowProc() const { return savedWindowProc_; }
    QWidget* mainWindow() const { return mainWindow_.data(); }

private:
    TrayIconRecord makeRecord(const std::string& tipField) const;
    TrayIconRecord deleteRecord() const;

    QPointer<QWidget> mainWindow_;  // may go before this object
    std::function<void()> onEnter_;
    QObject* trayWindowProc_;
    WindowProc savedWindowProc_ = nullptr;
    QIcon icon_;
    // While in the tray: notices a tray host that went away and brings the window back.
    QTimer hostWatch_;
};

}  // namespace nw::ui
