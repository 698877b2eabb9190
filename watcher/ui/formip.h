#pragma once
// FormIP: the main window. Three rows (label, address box, Copy button) under a menu bar of
// four commands; the one-second tick timer Timer1 drives the watch cycle.
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <string>

#include "frmabout.h"
#include "state.h"

class QLineEdit;
class QPushButton;

namespace nw::ui {

class TrayResidency;

class FormIP : public QMainWindow, public nw::AddressView {
    Q_OBJECT

public:
    explicit FormIP(QWidget* parent = nullptr);
    ~FormIP() override;

    // The load: settings, the first reading, Timer1, the start-up mail. Main runs it before the
    // window is shown.
    void Form_Load();
    // Query-unload, unload and terminate: removes the tray icon, lets waiting events run once and
    // ends the process. Closing the window, the end of the session and a termination signal all
    // come here; a second call while the first is under way returns at once.
    void Shutdown();

    // nw::AddressView
    void setText1(const std::string& text) override;
    void setText2(const std::string& text) override;
    void setText3(const std::string& text) override;
    void UpdateTrayTip(const std::string& tipField) override;

    TrayResidency* tray() const { return tray_; }
    frmAbout* about() const { return about_; }
    QTimer* Timer1() { return &timer1_; }

    // Menu commands.
    void settei_Click();    // 設定(&P): the settings dialog, modeless
    void task1_Click();     // 常駐(&T): into the tray
    void about_Click();     // about(&A): the about window, modeless
    [[noreturn]] void shuuryou_Click();  // 終了(&E): ends the program at once

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QRect twipsRect(int left, int top, int width, int height) const;
    void closeAbout();

    QLineEdit* Text1_;
    QLineEdit* Text2_;
    QLineEdit* Text3_;
    QTimer timer1_;
    TrayResidency* tray_;
    QPointer<frmAbout> about_;
};

// Ends the process at once. A text that this program put on the clipboard is handed over first,
// so a copied address outlives the program.
[[noreturn]] void EndProcess();

}  // namespace nw::ui
