#pragma once
// frmAbout: the version window, opened modeless from the main window's "about(&A)".
#include <QDialog>
#include <string>

#include "nw/platform/registry.h"

class QLabel;
class QPushButton;

namespace nw::ui {

class frmAbout : public QDialog {
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);

    // The web page that Label2 opens, and the name of the system-information program inside the
    // folder that the location value names.
    static constexpr const char* kWebPage = "https://netwarden.example.org/";
    static constexpr const char* kSysInfoFileName = "msinfo32";
    // Where the system-information program is registered (under HKEY_LOCAL_MACHINE).
    static constexpr const char* kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
    static constexpr const char* kSysInfoValue = "PATH";
    static constexpr const char* kSysInfoLocationKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
    static constexpr const char* kSysInfoLocationValue = "MSINFO";

    // cmdSysInfo: starts the system-information program, or says that there is none.
    void StartSysInfo();
    // Reads one registry value into KeyVal as text; false (and KeyVal empty) when the key or the
    // value cannot be read. Text values lose their terminating zero; a 32-bit number becomes its
    // decimal value; other types leave KeyVal as it was.
    static bool GetKeyValue(HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                            std::string& KeyVal);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* lblTitle_;
    QLabel* lblVersion_;
    QLabel* Label2_;  // the web page link
};

}  // namespace nw::ui
