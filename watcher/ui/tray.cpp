#include "tray.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QThread>
#include <QWidget>
#include <cstdio>
#include <vector>

#include "cycle.h"
#include "icons.h"
#include "nw/platform/codepage.h"
#include "nw/platform/ui.h"
#include "state.h"

namespace nw::ui {

// ---- the tray service ----------------------------------------------------------------------

namespace {

struct TrayEntry {
    QPointer<QWidget> window;
    uint32_t id = 0;
    QPointer<QSystemTrayIcon> icon;
    uint32_t callbackMessage = 0;  // 0: the icon's mouse events go nowhere
};

std::vector<TrayEntry>& trayEntries() {
    static std::vector<TrayEntry> entries;
    return entries;
}

TrayRequestObserver& trayObserver() {
    static TrayRequestObserver observer;
    return observer;
}

// Icons whose window has gone went with it (they are its children).
void dropDeadEntries() {
    auto& entries = trayEntries();
    std::erase_if(entries, [](const TrayEntry& e) { return e.window.isNull() || e.icon.isNull(); });
}

TrayEntry* findEntry(const QWidget* window, uint32_t id) {
    dropDeadEntries();
    for (TrayEntry& e : trayEntries()) {
        if (e.window == window && e.id == id) return &e;
    }
    return nullptr;
}

intptr_t mouseCode(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger: return kLeftButtonDown;  // Qt reports it on the press
    case QSystemTrayIcon::DoubleClick: return kLeftButtonDoubleClick;
    case QSystemTrayIcon::Context: return kRightButtonDown;
    case QSystemTrayIcon::MiddleClick: return kMiddleButtonDown;
    default: return 0;
    }
}

void applyFields(TrayEntry& entry, const TrayIconRecord& record) {
    if (record.uFlags & NIF_MESSAGE) entry.callbackMessage = record.uCallbackMessage;
    if (record.uFlags & NIF_ICON) entry.icon->setIcon(record.hIcon);
    if (record.uFlags & NIF_TIP) entry.icon->setToolTip(tipToolTip(record.szTip));
}

bool addIcon(const TrayIconRecord& record) {
    if (!record.hWnd || findEntry(record.hWnd, record.uID)) return false;
    QPointer<QWidget> window = record.hWnd;
    const uint32_t id = record.uID;
    auto* icon = new QSystemTrayIcon(record.hWnd);
    trayEntries().push_back(TrayEntry{window, id, icon, 0});
    applyFields(trayEntries().back(), record);
    // The icon's mouse events reach the window as its callback message. Posted, not sent: the
    // window may delete the icon in answer, and the icon is still inside its own handler here.
    QObject::connect(icon, &QSystemTrayIcon::activated, icon, [window, id](QSystemTrayIcon::ActivationReason reason) {
        const intptr_t code = mouseCode(reason);
        TrayEntry* entry = findEntry(window, id);
        if (!code || !entry || entry->callbackMessage == 0) return;
        QCoreApplication::postEvent(window, new TrayMessageEvent(entry->callbackMessage, id, code));
    });
    icon->show();
    return true;
}

bool isLeadByte(char c) {
    const auto b = static_cast<unsigned char>(c);
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length of the longest prefix of `bytes` within `limit` bytes that ends on a character boundary.
size_t cp932Prefix(std::string_view bytes, size_t limit) {
    size_t i = 0;
    while (i < bytes.size()) {
        const size_t len = (isLeadByte(bytes[i]) && i + 1 < bytes.size()) ? 2 : 1;
        if (i + len > limit) break;
        i += len;
    }
    return i;
}

bool performRequest(int request, const TrayIconRecord& record);

// NW_TRAY_LOG=FILE: every request is appended to FILE as one line (a diagnostic trace, used by
// the end-to-end tests to see what the tray was told).
void traceRequest(int request, const TrayIconRecord& record, bool done) {
    static const QByteArray path = qgetenv("NW_TRAY_LOG");
    if (path.isEmpty()) return;
    std::string tip = tipToolTip(record.szTip).toStdString();
    std::string escaped;
    for (char c : tip) escaped += c == '\n' ? std::string("\\n") : std::string(1, c);
    static const char* const names[] = {"add", "modify", "delete"};
    const std::string line = std::string(request >= 0 && request <= 2 ? names[request] : "?") +
                             " size=" + std::to_string(record.cbSize) + " id=" + std::to_string(record.uID) +
                             " flags=" + std::to_string(record.uFlags) +
                             " message=" + std::to_string(record.uCallbackMessage) + " tip=" + escaped +
                             (done ? "" : " (refused)") + "\n";
    if (FILE* f = std::fopen(path.constData(), "a")) {
        std::fputs(line.c_str(), f);
        std::fclose(f);
    }
}

}  // namespace

bool TrayNotify(int request, const TrayIconRecord& record) {
    if (const auto& observer = trayObserver()) observer(request, record);
    const bool done = performRequest(request, record);
    traceRequest(request, record, done);
    return done;
}

namespace {
bool performRequest(int request, const TrayIconRecord& record) {
    switch (request) {
    case NIM_ADD: return addIcon(record);
    case NIM_MODIFY: {
        TrayEntry* entry = findEntry(record.hWnd, record.uID);
        if (!entry) return false;
        applyFields(*entry, record);
        return true;
    }
    case NIM_DELETE: {
        TrayEntry* entry = findEntry(record.hWnd, record.uID);
        if (!entry) return false;
        QSystemTrayIcon* icon = entry->icon;
        std::erase_if(trayEntries(), [entry](const TrayEntry& e) { return &e == entry; });
        icon->hide();
        icon->deleteLater();
        return true;
    }
    default: return false;
    }
}
}  // namespace

QSystemTrayIcon* trayIconFor(const QWidget* window, uint32_t id) {
    TrayEntry* entry = findEntry(window, id);
    return entry ? entry->icon.data() : nullptr;
}

void setTrayRequestObserver(TrayRequestObserver observer) { trayObserver() = std::move(observer); }

std::array<char, kTrayTipBytes> toTipBytes(const std::string& text) {
    const std::string sjis = toSjis(text);
    std::array<char, kTrayTipBytes> tip;
    tip.fill(' ');
    const size_t n = cp932Prefix(sjis, tip.size());
    std::copy_n(sjis.begin(), n, tip.begin());
    return tip;
}

QString tipToolTip(const std::array<char, kTrayTipBytes>& tip) {
    std::string_view bytes(tip.data(), tip.size());
    bytes = bytes.substr(0, bytes.find('\0'));
    bytes = bytes.substr(0, cp932Prefix(bytes, kTrayTipBytes - 1));
    QString text = QString::fromStdString(fromSjis(bytes));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

TrayMessageEvent::TrayMessageEvent(uint32_t message_, uintptr_t wParam_, intptr_t lParam_)
    : QEvent(eventType()), message(message_), wParam(wParam_), lParam(lParam_) {}

QEvent::Type TrayMessageEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

// ---- the window-procedure swap -------------------------------------------------------------

namespace {
constexpr const char* kWindowProcProperty = "_nw_windowProc";
}

WindowProc SetWindowProc(QWidget* window, WindowProc proc) {
    auto* previous = window->property(kWindowProcProperty).value<QObject*>();
    if (previous) window->removeEventFilter(previous);
    if (proc) window->installEventFilter(proc);
    window->setProperty(kWindowProcProperty, QVariant::fromValue(proc));
    return previous;
}

bool CallWindowProc(WindowProc proc, QWidget* window, QEvent* event) {
    if (proc && proc->eventFilter(window, event)) return true;
    return static_cast<QObject*>(window)->event(event);
}

// ---- residency -----------------------------------------------------------------------------

namespace {

// TrayWindowProc: stands in front of the main window's own handling while the icon is shown.
// The icon's messages go to the window's own handling first, then the thread pauses 100 ms, and
// a left-button press (lParam 513) brings the window back. Every other event of the window passes
// through untouched and unpaused.
class TrayWindowProc : public QObject {
public:
    explicit TrayWindowProc(TrayResidency* residency) : QObject(residency), residency_(residency) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != TrayMessageEvent::eventType() || watched != residency_->mainWindow()) return false;
        const intptr_t lParam = static_cast<TrayMessageEvent*>(event)->lParam;
        CallWindowProc(residency_->SavedWindowProc(), residency_->mainWindow(), event);
        QThread::msleep(100);
        if (lParam == kLeftButtonDown) residency_->fff();
        return true;
    }

private:
    TrayResidency* residency_;
};

}  // namespace

namespace {
// How often the tray host is looked for while the window is in the tray.
constexpr int kHostWatchMs = 1000;
}  // namespace

TrayResidency::TrayResidency(QWidget* mainWindow, std::function<void()> onEnter, QObject* parent)
    : QObject(parent),
      mainWindow_(mainWindow),
      onEnter_(std::move(onEnter)),
      trayWindowProc_(new TrayWindowProc(this)),
      icon_(trayIcon()) {
    // A tray host that ends (a crashed panel, a changed desktop) takes the icon with it; the
    // hidden window could then never be brought back.
    hostWatch_.setInterval(kHostWatchMs);
    connect(&hostWatch_, &QTimer::timeout, this, [this] {
        if (watcherState().InTray && !QSystemTrayIcon::isSystemTrayAvailable()) fff();
    });
}

TrayResidency::~TrayResidency() { RemoveTrayIcon(); }

TrayIconRecord TrayResidency::makeRecord(const std::string& tipField) const {
    TrayIconRecord record;
    record.cbSize = kTrayRecordSize;
    record.hWnd = mainWindow_;
    record.uID = kTrayIconId;
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kTrayCallbackMessage;
    record.hIcon = icon_;
    record.szTip = toTipBytes(tipField);
    return record;
}

TrayIconRecord TrayResidency::deleteRecord() const {
    TrayIconRecord record;
    record.cbSize = kTrayRecordSize;
    record.hWnd = mainWindow_;
    record.uID = kTrayIconId;
    return record;
}

void TrayResidency::EnterTray() {
    // With no tray host the icon could not be seen or clicked, and the hidden window would be lost.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!(mainWindow_->windowState() & Qt::WindowMinimized)) {
            messageBox("通知領域が見つからないため常駐できません。");
        }
        return;
    }
    WatcherState& st = watcherState();
    const TrayIconRecord record =
        makeRecord(MakeTipField(PlainTipText(st.FirstAddress, st.SecondAddress, st.WanAddress)));
    if (!st.InTray) TrayNotify(NIM_ADD, record);
    if (!st.InTray) savedWindowProc_ = SetWindowProc(mainWindow_, trayWindowProc_);
    mainWindow_->hide();
    if (onEnter_) onEnter_();
    st.InTray = true;
    hostWatch_.start();
}

void TrayResidency::Form_Resize() {
    if (mainWindow_->windowState() & Qt::WindowMinimized) EnterTray();
}

void TrayResidency::fff() {
    hostWatch_.stop();
    TrayNotify(NIM_DELETE, deleteRecord());
    SetWindowProc(mainWindow_, savedWindowProc_);
    mainWindow_->setWindowState(Qt::WindowNoState);
    watcherState().InTray = false;
    mainWindow_->show();
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

void TrayResidency::RemoveTrayIcon() {
    WatcherState& st = watcherState();
    if (!st.InTray) return;
    hostWatch_.stop();
    if (mainWindow_) {  // a window that has gone took its icon and handlers with it
        TrayNotify(NIM_DELETE, deleteRecord());
        SetWindowProc(mainWindow_, savedWindowProc_);
    }
    st.InTray = false;
}

void TrayResidency::UpdateTrayTip(const std::string& tipField) {
    // Refused (and ignored) while no icon is shown.
    TrayNotify(NIM_MODIFY, makeRecord(tipField));
}

}  // namespace nw::ui
