#include "formset.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>
#include <exception>

#include "cycle.h"
#include "formset_logic.h"
#include "formset_opendialog.h"
#include "icons.h"
#include "lookup.h"
#include "notify.h"
#include "nw/platform/error.h"
#include "nw/platform/ui.h"
#include "settings.h"
#include "state.h"
#include "twips.h"
#include "updown.h"

namespace nw::ui {

namespace {

const char* const kCaption = "設定";
const char* const kSavingCaption = "保存中";
const char* const kErrorCaption = "エラーメッセージ";
const char* const kSendTest = "送信テスト";
const char* const kSending = "送信中";
const char* const kLookupTest = "取得テスト";
const char* const kFetching = "取得中";
const char* const kObtainedCaption = "取得したIP";
const char* const kNotObtained = "IPは取得できませんでした。";
const char* const kMailSent = "メールを送信しました。";
const char* const kMailNotSent = "メールを送信できませんでした。";
const char* const kBrowseFilter = "実行ファイル(*.exe)|*.exe|全て(*.*)|*.*";

QPointer<FormSet> g_form;

// The tab strip: four keyed tabs of one width. When four tabs of that width do not fit the strip,
// they share its width instead, so that every tab stays in sight.
class FixedTabBar : public QTabBar {
public:
    explicit FixedTabBar(QWidget* parent) : QTabBar(parent) {}
    void setTabWidth(int px) {
        tabWidth_ = px;
        updateGeometry();
    }

protected:
    QSize tabSizeHint(int index) const override {
        QSize s = QTabBar::tabSizeHint(index);
        if (tabWidth_ <= 0 || count() == 0) return s;
        int w = tabWidth_;
        if (parentWidget()) w = std::min(w, (parentWidget()->width() - 4) / count());
        s.setWidth(std::max(w, 1));
        return s;
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

private:
    int tabWidth_ = 0;
};

class TabStrip : public QTabWidget {
public:
    explicit TabStrip(QWidget* parent) : QTabWidget(parent), bar_(new FixedTabBar(this)) { setTabBar(bar_); }
    void setTabWidth(int px) { bar_->setTabWidth(px); }

private:
    FixedTabBar* bar_;
};

std::string text(const QLineEdit* box) { return box->text().toStdString(); }

// A check box gives true only when ticked; unticked and greyed give false.
bool ticked(const QCheckBox* box) { return box->checkState() == Qt::Checked; }

void setTicked(QCheckBox* box, bool on) { box->setCheckState(on ? Qt::Checked : Qt::Unchecked); }

// Writes a box only when its text changes, so that its change handling runs only on a change.
void setBoxText(QLineEdit* box, const QString& t) {
    if (box->text() != t) box->setText(t);
}
void setBoxText(QLineEdit* box, const std::string& t) { setBoxText(box, QString::fromStdString(t)); }

// One address re-read after OK; an error its reader raises is shown, and the address is then
// not available.
std::string reading(const std::function<std::string()>& reader) {
    try {
        return reader();
    } catch (const RuntimeError& e) {
        messageBox(e.report());
    } catch (const std::exception& e) {
        messageBox(e.what());
    }
    return kNotAvailable;
}

// DAINYUU's conversion of one number box: a box whose number does not fit is set to the
// replacement first (its change handling runs), and the conversion is repeated.
int32_t storedNumber(QLineEdit* box, StoredNumber (*convert)(const std::string&)) {
    StoredNumber n = convert(text(box));
    if (n.boxText) {
        setBoxText(box, *n.boxText);
        n = convert(text(box));
    }
    return n.value;
}

FormSetServices realServices() {
    return FormSetServices{
        [](const std::string& smtp22, const std::string& tom22, const std::string& rec22, const std::string& pop322,
           const std::string& id22, const std::string& pass22, bool rsvon2) {
            return MailTestOnSub(smtp22, tom22, rec22, pop322, id22, pass22, rsvon2);
        },
        [](const std::string& path22) { AppTestOnSub(path22); },
        [](const std::string& url, bool advanced, const std::string& startMarker, const std::string& endMarker,
           const std::string& charset, const std::string& separator, int32_t ordinal) {
            return FetchWanAddress(url, advanced, startMarker, endMarker, charset, separator, ordinal);
        },
    };
}

}  // namespace

FormSetServices& formSetServices() {
    static FormSetServices services = realServices();
    return services;
}

void resetFormSetServices() { formSetServices() = realServices(); }

FormSet* settingsDialog() { return g_form.data(); }

void showSettingsDialog() {
    if (!g_form) {
        g_form = new FormSet;
        g_form->init();
    }
    g_form->show();
    g_form->raise();
    g_form->activateWindow();
}

void hideSettingsDialog() {
    if (!g_form) {
        g_form = new FormSet;
        g_form->init();
    }
    g_form->hide();
}

// ---- design ------------------------------------------------------------------------------

FormSet::FormSet() : QWidget(nullptr, Qt::Dialog) {
    setObjectName("FormSet");
    setWindowTitle(QString::fromUtf8(kCaption));
    setWindowIcon(windowIcon());
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);
    // The controls are placed in twips; a 9-point font fits them whatever the desktop's size.
    QFont designFont = font();
    designFont.setPointSize(9);
    setFont(designFont);

    auto name = [](QWidget* w, const char* n) {
        w->setObjectName(QString::fromLatin1(n));
        return w;
    };
    auto label = [&](QWidget* parent, const char* n, const char* caption, int l, int t, int w, int h,
                     Qt::Alignment align = Qt::AlignLeft) {
        auto* lb = new QLabel(QString::fromUtf8(caption), parent);
        name(lb, n);
        lb->setAlignment(align | Qt::AlignTop);
        place(lb, l, t, w, h);
        return lb;
    };
    auto box = [&](QWidget* parent, const char* n, int l, int t, int w, int h, bool right = false) {
        auto* e = new QLineEdit(parent);
        name(e, n);
        if (right) e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        place(e, l, t, w, h);
        stoppable_.push_back(e);
        return e;
    };
    auto button = [&](QWidget* parent, const char* n, const char* caption, int l, int t, int w, int h) {
        auto* b = new QPushButton(QString::fromUtf8(caption), parent);
        name(b, n);
        b->setAutoDefault(false);
        place(b, l, t, w, h);
        stoppable_.push_back(b);
        return b;
    };
    auto check = [&](QWidget* parent, const char* n, const char* caption, int l, int t, int w, int h) {
        auto* c = new QCheckBox(QString::fromUtf8(caption), parent);
        name(c, n);
        place(c, l, t, w, h);
        stoppable_.push_back(c);
        return c;
    };
    auto group = [&](QWidget* parent, const char* n, const char* caption, int l, int t, int w, int h) {
        auto* g = new QGroupBox(QString::fromUtf8(caption), parent);
        name(g, n);
        place(g, l, t, w, h);
        return g;
    };
    auto page = [&](const char* n, int height) {
        auto* f = new QFrame(this);
        name(f, n);
        f->setFrameShape(QFrame::NoFrame);
        place(f, kPageLeft, kPageTop, kPageWidth, height);
        return f;
    };
    auto upDown = [&](QWidget* parent, const char* n, int l, int t, int w, int h, int lo, int hi) {
        auto* u = new UpDown(parent);
        name(u, n);
        u->setRange(lo, hi);
        u->setValue(lo);
        place(u, l, t, w, h);
        return u;
    };

    auto* strip = new TabStrip(this);
    TabStrip1 = strip;
    name(TabStrip1, "TabStrip1");
    const struct {
        const char* key;
        const char* caption;
        const char* tip;
    } tabs[] = {
        {"key1", "基本設定", "基本設定"},
        {"key2", "メール", "メールの設定"},
        {"key3", "実行ファイル", "実行ファイルの設定"},
        {"key4", "ルーター用", "wanのIP取得の設定"},
    };
    for (const auto& t : tabs) {
        const int i = TabStrip1->addTab(new QWidget, QString::fromUtf8(t.caption));
        TabStrip1->setTabToolTip(i, QString::fromUtf8(t.tip));
        TabStrip1->tabBar()->setTabData(i, QString::fromLatin1(t.key));
    }
    place(TabStrip1, 0, 0, kTabStripWidth, kTabStripCollapsedHeight);
    // The keyboard reaches the strip through its tab bar only, at the tab bar's own place in the
    // order; the strip itself is no stop and stands in for nothing.
    TabStrip1->setFocusPolicy(Qt::NoFocus);
    TabStrip1->setFocusProxy(nullptr);
    stoppable_.push_back(TabStrip1->tabBar());

    // The page frames lie in front of the tab strip.
    Frm_kihon = page("Frm_kihon", kPageFixedHeight);
    Frame2 = page("Frame2", kPageCollapsedHeight);
    Frame3 = page("Frame3", kPageFixedHeight);
    Frame4 = page("Frame4", kPageCollapsedHeight);

    Command2 = button(this, "Command2", "OK", 2280, 2640, 1350, 375);
    Command3 = button(this, "Command3", "Cancel", 3720, 2640, 1350, 375);
    CommonDialog1 = new OpenFileComponent(this);
    CommonDialog1->setObjectName("CommonDialog1");

    // Page "基本設定".
    label(Frm_kihon, "Label1", "IP 監視周期(秒)", 300, 300, 2055, 375);
    Text1 = box(Frm_kihon, "Text1", 2340, 240, 855, 375, true);
    UpDown1 = upDown(Frm_kihon, "UpDown1", 3195, 270, 240, 345, kWatchMin, kWatchMax);
    Frame1 = group(Frm_kihon, "Frame1", "IPが変わった時の処理", 285, 765, 4680, 1035);
    Check1 = check(Frm_kihon, "Check1", "現在のIPをメールで送信", 720, 1080, 3735, 255);
    Check2 = check(Frm_kihon, "Check2", "指定アプリケーションの実行", 720, 1320, 3495, 375);

    // Page "メール"; the collapsed page cuts off everything below the two buttons.
    label(Frame2, "Label8", "SMTPサーバー", 600, 300, 1335, 375);
    Text2 = box(Frame2, "Text2", 1920, 240, 3135, 375);
    label(Frame2, "Label7", "宛先", 1380, 750, 540, 375);
    Text3 = box(Frame2, "Text3", 1920, 720, 3135, 375);
    label(Frame2, "Label6", "返信アドレス", 465, 1215, 1470, 375);
    Text4 = box(Frame2, "Text4", 1920, 1200, 3135, 375);
    Command5 = button(Frame2, "Command5", kSendTest, kTestButtonLeft, kTestButtonTop, 1350, 375);
    Command4 = button(Frame2, "Command4", "詳細設定", 3720, 1680, 1350, 375);
    Check3 = check(Frame2, "Check3", "メール受信後にメール送信", 1830, 1710, 3240, 390);
    label(Frame2, "Label9", "POP3サーバ", 720, 2310, 1245, 360);
    Text6 = box(Frame2, "Text6", 1935, 2235, 3135, 405);
    label(Frame2, "Label10", "ID", 1020, 2790, 915, 375);
    Text7 = box(Frame2, "Text7", 1950, 2700, 3135, 405);
    label(Frame2, "Label11", "Pass", 945, 3210, 945, 375);
    Text8 = box(Frame2, "Text8", 1935, 3195, 3135, 405);
    label(Frame2, "Label12", "送信失敗時の再試行回数", 615, 3795, 3315, 300);
    Text9 = box(Frame2, "Text9", 3960, 3720, 855, 405, true);
    UpDown2 = upDown(Frame2, "UpDown2", 4800, 3750, 240, 315, kRetryMin, kRetryMax);
    Check6 = check(Frame2, "Check6", "起動時にIPをメールで送信する", 600, 4080, 4455, 495);

    // Page "実行ファイル".
    label(Frame3, "Label5", "Path", 225, 630, 510, 360);
    Text5 = box(Frame3, "Text5", 765, 585, 4380, 360);
    Command6 = button(Frame3, "Command6", "実行", 3645, 1020, 690, 375);
    Command1 = button(Frame3, "Command1", "参照", 4455, 1020, 690, 375);

    // Page "ルーター用".
    Check4 = check(Frame4, "Check4", "wwwサーバーからwan(ルーター)のIPを取得", 120, 240, 5040, 390);
    label(Frame4, "Label18", "URL", 1380, 750, 540, 375);
    Text13 = box(Frame4, "Text13", 1920, 720, 3135, 375);
    Check5 = check(Frame4, "Check5", "以下の詳細設定を有効にする", 120, 1200, 3900, 375);
    Frame5 = group(Frame4, "Frame5", "検索文字列の範囲設定", 120, 1680, 5055, 855);
    Text10 = box(Frame5, "Text10", 165, 360, 2175, 285);
    label(Frame5, "Label13", "～", 2370, 390, 270, 255);
    Text11 = box(Frame5, "Text11", 2640, 360, 2295, 315);
    Frame6 = group(Frame4, "Frame6", "文字コードの設定", 120, 2640, 5055, 855);
    const char* const optionCaptions[3] = {"SJIS", "EUC", "UNICODE"};
    const int optionLeft[3] = {120, 1800, 3360};
    const int optionWidth[3] = {1095, 1095, 1455};
    for (int i = 0; i < 3; ++i) {
        Option1[i] = new QRadioButton(QString::fromLatin1(optionCaptions[i]), Frame6);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        place(Option1[i], optionLeft[i], 360, optionWidth[i], 270);
        stoppable_.push_back(Option1[i]);
    }
    Option1[2]->hide();  // "UNICODE" can be selected from the settings only
    Option1[0]->setChecked(true);
    label(Frame4, "Label15", "何個目のIP ：", 120, 3645, 1575, 255, Qt::AlignRight);
    Text14 = box(Frame4, "Text14", 1680, 3600, 615, 405, true);
    UpDown3 = upDown(Frame4, "UpDown3", 2280, 3600, 240, 375, kOrdinalMin, kOrdinalMax);
    label(Frame4, "Label14", "区切り文字 ：", 2250, 3645, 2250, 375, Qt::AlignRight);
    Text12 = box(Frame4, "Text12", 4560, 3600, 615, 405);
    // The test buttons stay clickable above the frames they share a place with.
    Command7 = button(Frame4, "Command7", kLookupTest, kTestButtonLeft, kTestButtonTop, 1350, 375);
    Command8 = button(Frame4, "Command8", "詳細設定", 3690, 1680, 1350, 375);

    setWindowTwips(windowWidthFor(kTabStripWidth), windowHeightFor(kTabStripCollapsedHeight));

    // Change handling, connected after the design values so that it runs only for real changes.
    connect(Text1, &QLineEdit::textChanged, this, &FormSet::Text1_Change);
    connect(Text9, &QLineEdit::textChanged, this, &FormSet::Text9_Change);
    connect(Text14, &QLineEdit::textChanged, this, &FormSet::Text14_Change);
    connect(UpDown1, &UpDown::valueChanged, this, &FormSet::UpDown1_Change);
    connect(UpDown2, &UpDown::valueChanged, this, &FormSet::UpDown2_Change);
    connect(UpDown3, &UpDown::valueChanged, this, &FormSet::UpDown3_Change);
    connect(TabStrip1, &QTabWidget::currentChanged, this, &FormSet::TabStrip1_Click);
    connect(TabStrip1, &QTabWidget::tabBarClicked, this, [this](int index) {
        if (index == TabStrip1->currentIndex()) TabStrip1_Click();  // a click on the tab already chosen
    });
    connect(Command1, &QPushButton::clicked, this, &FormSet::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &FormSet::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &FormSet::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FormSet::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &FormSet::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &FormSet::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &FormSet::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &FormSet::Command8_Click);
    for (int i = 0; i < 2; ++i) {
        // The keyboard reaches the selected character code only.
        connect(Option1[i], &QRadioButton::toggled, this, [this] {
            if (currentState() == PageState::RouterExpanded) applyTabStops(PageState::RouterExpanded);
        });
    }
}

FormSet::~FormSet() = default;

// ---- geometry ----------------------------------------------------------------------------

QRect FormSet::place(QWidget* w, int left, int top, int width, int height) {
    QRect r(left, top, width, height);
    twips_[w] = r;
    w->setGeometry(twipsRect(this, left, top, width, height));
    return r;
}

void FormSet::moveTo(QWidget* w, int left, int top) {
    const QRect r = twips_[w];
    place(w, left, top, r.width(), r.height());
}

void FormSet::setTopTwips(QWidget* w, int top) {
    const QRect r = twips_[w];
    place(w, r.x(), top, r.width(), r.height());
}

void FormSet::setHeightTwips(QWidget* w, int height) {
    const QRect r = twips_[w];
    place(w, r.x(), r.y(), r.width(), height);
}

void FormSet::setWindowTwips(int width, int height) {
    windowWidthTwips_ = width;
    windowHeightTwips_ = height;
    setFixedSize(twipsSize(this, width, height));
}

void FormSet::setTabStripHeight(int height) { setHeightTwips(TabStrip1, height); }

// ---- creation ----------------------------------------------------------------------------

void FormSet::init() {
    // 1-3: collapsed pages, buttons in their collapsed place.
    setHeightTwips(Frame2, kPageCollapsedHeight);
    setHeightTwips(Frame4, kPageCollapsedHeight);
    Command4->show();
    Check3->hide();
    Frame5->hide();
    Frame6->hide();
    Check5->hide();
    setTopTwips(Command2, buttonsTopFor(kTabStripCollapsedHeight));
    setTopTwips(Command3, buttonsTopFor(kTabStripCollapsedHeight));

    // 4-5: tab width and window size.
    const int stripWidth = twips_[TabStrip1].width();
    static_cast<TabStrip*>(TabStrip1)->setTabWidth(twipsX(this, tabWidthFor(stripWidth)));
    setWindowTwips(windowWidthFor(stripWidth), windowHeightFor(twips_[TabStrip1].height()));

    // 6: the watch period into the up-down's range, in Settings too.
    Settings& s = settings();
    s.WatchIntervalSeconds = std::clamp(s.WatchIntervalSeconds, kWatchMin, kWatchMax);
    setBoxText(Text1, std::to_string(s.WatchIntervalSeconds));
    UpDown1->setValue(s.WatchIntervalSeconds);

    // 7-8: the pages in place, the first one shown.
    for (QFrame* f : {Frm_kihon, Frame2, Frame3, Frame4}) {
        moveTo(f, kPageLeft, kPageTop);
        f->setFrameShape(QFrame::NoFrame);
    }
    Frm_kihon->show();
    Frame2->hide();
    Frame3->hide();
    Frame4->hide();
    {
        const QSignalBlocker quiet(TabStrip1);
        TabStrip1->setCurrentIndex(0);
    }
    applyTabStops(PageState::Basic);

    // 9.
    DAINYUU2();
}

// ---- values ------------------------------------------------------------------------------

void FormSet::DAINYUU() {
    Settings& s = settings();
    s.WatchIntervalSeconds = storedNumber(Text1, watchPeriodToStore);
    s.MailOnChange = ticked(Check1);
    s.RunAppOnChange = ticked(Check2);
    s.SmtpServer = text(Text2);
    s.MailTo = text(Text3);
    s.ReplyAddress = text(Text4);
    s.AppPath = text(Text5);
    s.PopBeforeSmtp = ticked(Check3);
    s.Pop3Server = text(Text6);
    s.Pop3User = text(Text7);
    s.Pop3Password = text(Text8);
    s.RetryCount = static_cast<int16_t>(storedNumber(Text9, retryCountToStore));
    s.UseRouterLookup = ticked(Check4);
    s.LookupUrl = text(Text13);
    s.UseAdvancedParse = ticked(Check5);
    s.MailOnStartup = ticked(Check6);
    s.ParseStartMarker = text(Text10);
    s.ParseEndMarker = text(Text11);
    s.AddressOrdinal = storedNumber(Text14, ordinalToStore);
    s.AddressSeparator = text(Text12);
    if (auto code = charsetFromOptions(Option1[0]->isChecked(), Option1[1]->isChecked(), Option1[2]->isChecked())) {
        s.PageCharset = *code;
    }
}

void FormSet::DAINYUU2() {
    // Each step reads the record afresh: the change handling of a box may write its field.
    Settings& s = settings();
    setBoxText(Text1, std::to_string(s.WatchIntervalSeconds));
    if (UpDown1->contains(s.WatchIntervalSeconds)) UpDown1->setValue(s.WatchIntervalSeconds);
    setTicked(Check1, s.MailOnChange);
    setTicked(Check2, s.RunAppOnChange);
    setTicked(Check3, s.PopBeforeSmtp);
    setBoxText(Text2, s.SmtpServer);
    setBoxText(Text3, s.MailTo);
    setBoxText(Text4, s.ReplyAddress);
    setBoxText(Text5, s.AppPath);
    setBoxText(Text6, s.Pop3Server);
    setBoxText(Text7, s.Pop3User);
    setBoxText(Text8, s.Pop3Password);
    setBoxText(Text9, std::to_string(s.RetryCount));
    // A retry count outside the up-down's range (0 from the file, say) stays in the box as it
    // is; the up-down keeps its place until the user moves it.
    if (UpDown2->contains(s.RetryCount)) UpDown2->setValue(s.RetryCount);
    setTicked(Check6, s.MailOnStartup);
    setTicked(Check4, s.UseRouterLookup);
    setTicked(Check5, s.UseAdvancedParse);
    setBoxText(Text10, s.ParseStartMarker);
    setBoxText(Text11, s.ParseEndMarker);
    setBoxText(Text13, s.LookupUrl);
    setBoxText(Text14, std::to_string(s.AddressOrdinal));
    setBoxText(Text12, s.AddressSeparator);
    const int option = charsetOption(s.PageCharset);
    if (option >= 0) Option1[option]->setChecked(true);
}

void FormSet::Text1_Change() {
    int32_t v = 0;
    switch (readBoxNumber(text(Text1), v)) {
    case BoxNumber::NotANumber:
        // Its own change handling moves the up-down, which stores the value.
        setBoxText(Text1, QString::number(UpDown1->maximum()));
        return;
    case BoxNumber::TooLarge:
        setBoxText(Text1, QString::number(kWatchMax));
        settings().WatchIntervalSeconds = kWatchMax;
        UpDown1->setValue(kWatchMax);
        return;
    case BoxNumber::Fits:
        if (UpDown1->contains(v) && v != UpDown1->value()) UpDown1->setValue(v);
        return;
    }
}

void FormSet::Text9_Change() {
    int32_t v = 0;
    switch (readBoxNumber(text(Text9), v)) {
    case BoxNumber::NotANumber:
        setBoxText(Text9, QStringLiteral("1"));
        return;
    case BoxNumber::TooLarge:
        return;  // settled when the values are copied into Settings
    case BoxNumber::Fits:
        if (UpDown2->contains(v) && v != UpDown2->value()) UpDown2->setValue(v);
        return;
    }
}

void FormSet::Text14_Change() {
    int32_t v = 0;
    switch (readBoxNumber(text(Text14), v)) {
    case BoxNumber::NotANumber:
        setBoxText(Text14, QStringLiteral("1"));
        return;
    case BoxNumber::TooLarge:
        return;  // settled when the values are copied into Settings; the lookup test refuses it
    case BoxNumber::Fits:
        if (UpDown3->contains(v) && v != UpDown3->value()) UpDown3->setValue(v);
        return;
    }
}

// The up-downs write their box and their field at once: the watch cycle sees the new value
// before OK.
void FormSet::UpDown1_Change() {
    setBoxText(Text1, QString::number(UpDown1->value()));
    settings().WatchIntervalSeconds = UpDown1->value();
}

void FormSet::UpDown2_Change() {
    setBoxText(Text9, QString::number(UpDown2->value()));
    settings().RetryCount = static_cast<int16_t>(UpDown2->value());
}

void FormSet::UpDown3_Change() {
    setBoxText(Text14, QString::number(UpDown3->value()));
    settings().AddressOrdinal = UpDown3->value();
}

// ---- OK and Cancel -----------------------------------------------------------------------

void FormSet::Command2_Click() {
    WatcherState& st = watcherState();
    // A save that fails leaves memory as it was before OK, matching the file, which the save
    // replaces whole or not at all.
    const Settings before = settings();
    const int16_t failuresBefore = st.MailFailureCount;

    st.MailFailureCount = 0;
    const QString caption = windowTitle();
    setWindowTitle(QString::fromUtf8(kSavingCaption));
    DAINYUU();
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        settings() = before;
        st.MailFailureCount = failuresBefore;
        setWindowTitle(caption);
        const auto* re = dynamic_cast<const RuntimeError*>(&e);
        messageBox(re ? re->report() : std::string(e.what()), kErrorCaption);
        return;
    }
    setWindowTitle(caption);
    hide();

    // From here on the dialog is hidden and nothing below touches it: the readers let the event
    // loop run, and the dialog may be shown or unloaded meanwhile.
    LoadSettings();
    CycleHooks& hooks = cycleHooks();
    st.FirstAddress = reading(hooks.GIp);
    st.SecondAddress = reading(hooks.PIp);
    ffff(st.SecondAddress, st.FirstAddress);
    if (AddressView* view = addressView()) {
        view->setText1(st.FirstAddress);
        view->setText2(st.SecondAddress);
    }
    if (settings().UseRouterLookup) {
        st.WanAddress = reading(hooks.WIp2);
        if (AddressView* view = addressView()) view->setText3(st.WanAddress);
    } else if (AddressView* view = addressView()) {
        view->setText3(kNotAvailable);
    }
}

void FormSet::Command3_Click() { unload(); }

void FormSet::closeEvent(QCloseEvent* event) {
    event->accept();
    unload();
}

void FormSet::unload() {
    if (unloaded_) return;
    unloaded_ = true;
    if (g_form == this) g_form = nullptr;
    hide();
    deleteLater();
}

// ---- tabs and expansion ------------------------------------------------------------------

FormSet::PageState FormSet::currentState() const {
    const QString key = TabStrip1->tabBar()->tabData(TabStrip1->currentIndex()).toString();
    if (key == QLatin1String("key2")) return Check3->isHidden() ? PageState::MailCollapsed : PageState::MailExpanded;
    if (key == QLatin1String("key3")) return PageState::App;
    if (key == QLatin1String("key4")) {
        return Check5->isHidden() ? PageState::RouterCollapsed : PageState::RouterExpanded;
    }
    return PageState::Basic;
}

std::vector<QWidget*> FormSet::tabOrder(PageState state) const {
    QWidget* const strip = TabStrip1->tabBar();
    switch (state) {
    case PageState::Basic:
        return {Text1, Check1, Check2, Command2, Command3, strip};
    case PageState::MailCollapsed:
        return {Text2, Text3, Text4, Command5, Command4, Command2, Command3, strip};
    case PageState::MailExpanded:
        return {Text2, Text3, Text4, Check3, Text6, Text7, Text8, Text9, Command5, Command2, Command3, strip, Check6};
    case PageState::App:
        return {Text5, Command6, Command1, Command2, Command3, strip};
    case PageState::RouterCollapsed:
        return {Check4, Text13, Command7, Command8, Command2, Command3, strip};
    case PageState::RouterExpanded: {
        std::vector<QWidget*> order{Check4, Text13, Check5, Text10, Text11};
        for (QRadioButton* option : Option1) {
            if (option->isChecked() && !option->isHidden()) order.push_back(option);
        }
        order.insert(order.end(), {Text14, Text12, Command7, Command2, Command3, strip});
        return order;
    }
    }
    return {};
}

void FormSet::applyTabStops(PageState state) {
    for (QWidget* w : stoppable_) w->setFocusPolicy(Qt::ClickFocus);
    const std::vector<QWidget*> order = tabOrder(state);
    for (QWidget* w : order) w->setFocusPolicy(Qt::StrongFocus);
    for (size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void FormSet::collapseMailPage() {
    Command4->show();
    Check3->hide();
    setHeightTwips(Frame2, kPageCollapsedHeight);
    setWindowTwips(windowWidthTwips_, windowHeightFor(kTabStripCollapsedHeight));
    setTopTwips(Command2, buttonsTopFor(kTabStripCollapsedHeight));
    setTopTwips(Command3, buttonsTopFor(kTabStripCollapsedHeight));
    setTabStripHeight(kTabStripCollapsedHeight);
    detailFlags().MailDetailShown = false;
}

void FormSet::collapseRouterPage() {
    setTopTwips(Command7, kTestButtonTop);
    Command7->show();
    Command8->show();
    Frame5->hide();
    Frame6->hide();
    Check5->hide();
    setHeightTwips(Frame4, kPageCollapsedHeight);
    setWindowTwips(windowWidthTwips_, windowHeightFor(kTabStripCollapsedHeight));
    setTopTwips(Command2, buttonsTopFor(kTabStripCollapsedHeight));
    setTopTwips(Command3, buttonsTopFor(kTabStripCollapsedHeight));
    setTabStripHeight(kTabStripCollapsedHeight);
    detailFlags().RouterDetailShown = false;
}

void FormSet::TabStrip1_Click() {
    setBoxText(Text1, QString::number(UpDown1->value()));
    const QString key = TabStrip1->tabBar()->tabData(TabStrip1->currentIndex()).toString();
    DetailFlags& flags = detailFlags();
    if (key != QLatin1String("key2") && flags.MailDetailShown) collapseMailPage();
    if (key != QLatin1String("key4") && flags.RouterDetailShown) collapseRouterPage();

    PageState state;
    QFrame* shown;
    if (key == QLatin1String("key1")) {
        state = PageState::Basic;
        shown = Frm_kihon;
    } else if (key == QLatin1String("key3")) {
        state = PageState::App;
        shown = Frame3;
    } else if (key == QLatin1String("key2") && Check3->isHidden()) {
        state = PageState::MailCollapsed;
        shown = Frame2;
    } else if (key == QLatin1String("key4") && Check5->isHidden()) {
        state = PageState::RouterCollapsed;
        shown = Frame4;
    } else {
        return;  // the tab of the page that is already expanded
    }
    applyTabStops(state);
    for (QFrame* f : {Frm_kihon, Frame2, Frame3, Frame4}) f->setVisible(f == shown);
    moveTo(Command5, kTestButtonLeft, kTestButtonTop);
    if (key != QLatin1String("key4")) moveTo(Command7, kTestButtonLeft, kTestButtonTop);
}

void FormSet::Command4_Click() {
    Command4->hide();
    moveTo(Command5, kSendTestExpandedLeft, kSendTestExpandedTop);
    Check3->show();
    applyTabStops(PageState::MailExpanded);
    const int page = expandedPageHeight(twips_[Command5].y());
    setHeightTwips(Frame2, page);
    const int strip = mailExpandedStripHeight(page);
    setTabStripHeight(strip);
    setWindowTwips(windowWidthTwips_, windowHeightFor(strip));
    Command5->show();
    setTopTwips(Command2, buttonsTopFor(strip));
    setTopTwips(Command3, buttonsTopFor(strip));
    detailFlags().MailDetailShown = true;
}

void FormSet::Command8_Click() {
    Command8->hide();
    moveTo(Command7, kLookupTestExpandedLeft, kLookupTestExpandedTop);
    Check5->show();
    Frame5->show();
    Frame6->show();
    applyTabStops(PageState::RouterExpanded);
    const int page = expandedPageHeight(twips_[Command7].y());
    setHeightTwips(Frame4, page);
    const int strip = routerExpandedStripHeight(page);
    setTabStripHeight(strip);
    setWindowTwips(windowWidthTwips_, windowHeightFor(strip));
    Command7->show();
    setTopTwips(Command2, buttonsTopFor(strip));
    setTopTwips(Command3, buttonsTopFor(strip));
    detailFlags().RouterDetailShown = true;
}

// ---- tests with the values as they stand -------------------------------------------------

void FormSet::Command1_Click() {
    QPointer<FormSet> self(this);
    CommonDialog1->setFilter(QString::fromUtf8(kBrowseFilter));
    CommonDialog1->showOpen(this);
    // No test for a cancel: the box gets the name the component holds, an earlier one or none.
    if (self) Text5->setText(CommonDialog1->fileName());
}

void FormSet::Command6_Click() {
    const std::string path22 = text(Text5);
    try {
        formSetServices().AppTestOnSub(path22);
    } catch (const RuntimeError& e) {
        messageBox(e.report());
    } catch (const std::exception& e) {
        messageBox(e.what());
    }
}

void FormSet::Command5_Click() {
    QPointer<FormSet> self(this);
    Command5->setEnabled(false);
    Command5->setText(QString::fromUtf8(kSending));
    Command5->repaint();

    const std::string smtp22 = text(Text2), tom22 = text(Text3), rec22 = text(Text4);
    const std::string pop322 = text(Text6), id22 = text(Text7), pass22 = text(Text8);
    watcherState().MailRetryPending = true;
    const bool rsvon2 = ticked(Check3);

    std::string message;
    try {
        const bool sent = formSetServices().MailTestOnSub(smtp22, tom22, rec22, pop322, id22, pass22, rsvon2);
        message = sent ? kMailSent : kMailNotSent;
    } catch (const RuntimeError& e) {
        message = e.report();  // the mail library or its routine is missing
    } catch (const std::exception& e) {
        message = e.what();
    }
    messageBox(message);

    if (!self) return;  // unloaded while the test ran
    Command5->setText(QString::fromUtf8(kSendTest));
    Command5->setEnabled(true);
}

void FormSet::Command7_Click() {
    QPointer<FormSet> self(this);
    Command7->setEnabled(false);
    Command7->setText(QString::fromUtf8(kFetching));
    Command7->repaint();

    const bool advanced = ticked(Check5);
    const std::string charset =
        charsetFromOptions(Option1[0]->isChecked(), Option1[1]->isChecked(), Option1[2]->isChecked()).value_or("");
    int32_t ordinal = 0;
    const bool ordinalFits = readBoxNumber(text(Text14), ordinal) == BoxNumber::Fits;
    const std::string url = text(Text13), startMarker = text(Text10), endMarker = text(Text11);
    const std::string separator = text(Text12);

    if (!ordinalFits) {
        // No page holds that many addresses.
        messageBox(kNotObtained, kObtainedCaption);
    } else {
        std::string result;
        bool fetched = false;
        try {
            result = formSetServices().FetchWanAddress(url, advanced, startMarker, endMarker, charset, separator,
                                                       ordinal);
            fetched = true;
        } catch (const RuntimeError& e) {
            messageBox(e.report());
        } catch (const std::exception& e) {
            messageBox(e.what());
        }
        if (fetched) messageBox(result != kNoAddress ? result : std::string(kNotObtained), kObtainedCaption);
    }

    if (!self) return;
    Command7->setText(QString::fromUtf8(kLookupTest));
    Command7->setEnabled(true);
}

}  // namespace nw::ui
