#pragma once
// FormSet, the settings dialog: four tabbed pages that edit Settings, OK and Cancel, and tests
// of the mail, the program launch and the WAN lookup with the values as they stand.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "formset_api.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;
class QTabWidget;

namespace nw::ui {

class OpenFileComponent;
class UpDown;

// The watcher's operations that the dialog's tests call; the real ones unless a test replaced
// them. OK re-reads the addresses through cycleHooks(), like the watch cycle.
struct FormSetServices {
    std::function<bool(const std::string& smtp22, const std::string& tom22, const std::string& rec22,
                       const std::string& pop322, const std::string& id22, const std::string& pass22, bool rsvon2)>
        MailTestOnSub;
    std::function<void(const std::string& path22)> AppTestOnSub;
    std::function<std::string(const std::string& url, bool advanced, const std::string& startMarker,
                              const std::string& endMarker, const std::string& charset,
                              const std::string& separator, int32_t ordinal)>
        FetchWanAddress;
};
FormSetServices& formSetServices();
void resetFormSetServices();  // back to the real ones

// The loaded dialog, or null while it is not loaded.
class FormSet;
FormSet* settingsDialog();

class FormSet : public QWidget {
    Q_OBJECT

public:
    // The layout a page is in; it decides the keyboard order.
    enum class PageState { Basic, MailCollapsed, MailExpanded, App, RouterCollapsed, RouterExpanded };

    FormSet();
    ~FormSet() override;

    // Creation: collapsed pages, window size, the watch period brought into 1 ... 100000 (in
    // Settings too), the first page, then DAINYUU2.
    void init();
    // DAINYUU: the controls into Settings.
    void DAINYUU();
    // DAINYUU2: Settings into the controls.
    void DAINYUU2();
    // Cancel and closing the window: the dialog goes away; the next showing loads it afresh.
    void unload();

    // The controls reached with the Tab key in a state, in order.
    std::vector<QWidget*> tabOrder(PageState state) const;

    // ---- controls (named as in the design) ----
    QTabWidget* TabStrip1;
    QFrame* Frm_kihon;  // page "基本設定"
    QFrame* Frame2;     // page "メール"
    QFrame* Frame3;     // page "実行ファイル"
    QFrame* Frame4;     // page "ルーター用"
    QPushButton* Command2;  // OK
    QPushButton* Command3;  // Cancel
    OpenFileComponent* CommonDialog1;

    QLineEdit* Text1;  // watch period
    UpDown* UpDown1;
    QGroupBox* Frame1;
    QCheckBox* Check1;  // mail on change
    QCheckBox* Check2;  // run the application on change

    QLineEdit* Text2;  // SMTP server
    QLineEdit* Text3;  // destination
    QLineEdit* Text4;  // reply address
    QPushButton* Command5;  // send test
    QPushButton* Command4;  // expand the mail page
    QCheckBox* Check3;      // receive before sending
    QLineEdit* Text6;       // POP3 server
    QLineEdit* Text7;       // POP3 user
    QLineEdit* Text8;       // POP3 password
    QLineEdit* Text9;       // retry count
    UpDown* UpDown2;
    QCheckBox* Check6;  // mail at start-up

    QLineEdit* Text5;       // application path
    QPushButton* Command6;  // run
    QPushButton* Command1;  // browse

    QCheckBox* Check4;  // use the WAN lookup
    QLineEdit* Text13;  // URL
    QPushButton* Command7;  // lookup test
    QPushButton* Command8;  // expand the router page
    QCheckBox* Check5;      // use the detailed settings
    QGroupBox* Frame5;      // search range
    QLineEdit* Text10;      // start marker
    QLineEdit* Text11;      // end marker
    QGroupBox* Frame6;      // character code
    QRadioButton* Option1[3];  // "SJIS", "EUC", "UNICODE" (never shown)
    QLineEdit* Text14;      // address ordinal
    UpDown* UpDown3;
    QLineEdit* Text12;      // separator

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Handlers, named after their control and event.
    void TabStrip1_Click();
    void Command4_Click();  // expand the mail page
    void Command8_Click();  // expand the router page
    void Command2_Click();  // OK
    void Command3_Click();  // Cancel
    void Command1_Click();  // browse
    void Command6_Click();  // run test
    void Command5_Click();  // send test
    void Command7_Click();  // lookup test
    void Text1_Change();
    void Text9_Change();
    void Text14_Change();
    void UpDown1_Change();
    void UpDown2_Change();
    void UpDown3_Change();

    void collapseMailPage();
    void collapseRouterPage();
    void applyTabStops(PageState state);
    PageState currentState() const;

    // Geometry in twips, kept per widget so that moves and resizes never accumulate rounding.
    QRect place(QWidget* w, int left, int top, int width, int height);
    void moveTo(QWidget* w, int left, int top);
    void setTopTwips(QWidget* w, int top);
    void setHeightTwips(QWidget* w, int height);
    void setWindowTwips(int width, int height);
    void setTabStripHeight(int height);

    std::map<QWidget*, QRect> twips_;
    int windowWidthTwips_ = 0;
    int windowHeightTwips_ = 0;
    std::vector<QWidget*> stoppable_;  // every control that can take a tab stop
    bool unloaded_ = false;
};

}  // namespace nw::ui
