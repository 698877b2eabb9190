#include "formip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>

#include "clipboard.h"
#include "cycle.h"
#include "formset_api.h"
#include "frmabout.h"
#include "icons.h"
#include "lookup.h"
#include "nw/platform/ui.h"
#include "startup.h"
#include "tray.h"
#include "twips.h"

namespace nw::ui {

namespace {

// The client area, in twips.
constexpr int kClientWidth = 3600;
constexpr int kClientHeight = 1140;

// The window's client area. Its repaint draws the window's decoration: a box in colour 1 of
// the standard 16-colour palette (dark blue) along the edges.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(QPen(QColor(0, 0, 128), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

}  // namespace

FormIP::FormIP(QWidget* parent) : QMainWindow(parent) {
    setObjectName("FormIP");
    setWindowTitle(QStringLiteral("ネットワーデン"));
    setWindowIcon(windowIcon());

    auto* client = new ClientArea(this);
    client->setObjectName("client");
    setCentralWidget(client);
    client->setFixedSize(twipsSize(this, kClientWidth, kClientHeight));
    // The rows are laid out in twips; a 9-point font fits their boxes whatever the desktop's
    // own font size is.
    QFont rowFont = client->font();
    rowFont.setPointSize(9);
    client->setFont(rowFont);

    auto label = [&](const char* name, const char* caption, QRect geometry) {
        auto* l = new QLabel(QString::fromLatin1(caption), client);
        l->setObjectName(name);
        l->setGeometry(geometry);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    };
    auto box = [&](const char* name, QRect geometry) {
        auto* t = new QLineEdit(QString::fromLatin1(kNotAvailable), client);
        t->setObjectName(name);
        t->setGeometry(geometry);
        return t;
    };
    auto button = [&](const char* name, QRect geometry, QLineEdit* source) {
        auto* b = new QPushButton(QStringLiteral("Copy"), client);
        b->setObjectName(name);
        b->setGeometry(geometry);
        b->setAutoDefault(false);
        // The box's text exactly as it stands, "***.***.***.***" included.
        connect(b, &QPushButton::clicked, this, [source] { nw::gui::clipboardSetText(source->text()); });
    };

    label("Label1", "1stIP:", twipsRect(150, 60, 855, 255));
    label("Label2", "2ndIP:", twipsRect(150, 390, 855, 255));
    label("Label3", "WANIP:", twipsRect(120, 750, 855, 255));
    Text1_ = box("Text1", twipsRect(960, 60, 1605, 240));
    Text2_ = box("Text2", twipsRect(960, 420, 1605, 240));
    Text3_ = box("Text3", twipsRect(960, 780, 1605, 270));
    button("Command1", twipsRect(2610, 60, 735, 255), Text1_);
    button("Command2", twipsRect(2610, 420, 735, 255), Text2_);
    button("Command3", twipsRect(2610, 780, 735, 255), Text3_);

    QMenuBar* menu = menuBar();
    QAction* settei = menu->addAction(QStringLiteral("設定(&P)"));
    settei->setObjectName("settei");
    connect(settei, &QAction::triggered, this, &FormIP::settei_Click);
    QAction* task1 = menu->addAction(QStringLiteral("常駐(&T)"));
    task1->setObjectName("task1");
    connect(task1, &QAction::triggered, this, &FormIP::task1_Click);
    QAction* about = menu->addAction(QStringLiteral("about(&A)"));
    about->setObjectName("about");
    connect(about, &QAction::triggered, this, &FormIP::about_Click);
    QAction* shuuryou = menu->addAction(QStringLiteral("終了(&E)"));
    shuuryou->setObjectName("shuuryou");
    connect(shuuryou, &QAction::triggered, this, &FormIP::shuuryou_Click);

    // The size follows from the client area and the menu bar; the window is not resized.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    timer1_.setObjectName("Timer1");
    timer1_.setInterval(1000);
    timer1_.setTimerType(Qt::PreciseTimer);
    connect(&timer1_, &QTimer::timeout, this, [] { nw::Timer1_Tick(); });

    tray_ = new TrayResidency(this, [this] {
        closeAbout();
        hideSettingsDialog();
    }, this);

    nw::setAddressView(this);
}

FormIP::~FormIP() {
    timer1_.stop();
    if (nw::addressView() == this) nw::setAddressView(nullptr);
}

QRect FormIP::twipsRect(int left, int top, int width, int height) const {
    return nw::ui::twipsRect(this, left, top, width, height);
}

void FormIP::Form_Load() {
    nw::FormIP_Load(*this, [this] { timer1_.start(); });
}

void FormIP::setText1(const std::string& text) { Text1_->setText(QString::fromStdString(text)); }
void FormIP::setText2(const std::string& text) { Text2_->setText(QString::fromStdString(text)); }
void FormIP::setText3(const std::string& text) { Text3_->setText(QString::fromStdString(text)); }

void FormIP::UpdateTrayTip(const std::string& tipField) { tray_->UpdateTrayTip(tipField); }

void FormIP::settei_Click() { showSettingsDialog(); }

void FormIP::task1_Click() { tray_->EnterTray(); }

void FormIP::about_Click() {
    if (!about_) about_ = new frmAbout(this);
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void FormIP::shuuryou_Click() { EndProcess(); }

void FormIP::closeAbout() {
    if (about_) about_->close();
}

void FormIP::Shutdown() {
    // The first of the handlers to get here ends the process; one that runs inside the event
    // loop turn below returns and leaves that to the first.
    static bool shuttingDown = false;
    if (shuttingDown) return;
    shuttingDown = true;
    tray_->RemoveTrayIcon();
    nw::doEvents();
    EndProcess();
}

void FormIP::closeEvent(QCloseEvent* event) {
    event->accept();
    Shutdown();
}

void FormIP::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    // Minimizing the window moves it into the tray.
    if (event->type() == QEvent::WindowStateChange) tray_->Form_Resize();
}

void EndProcess() {
    if (QApplication::instance()) nw::gui::keepClipboardAfterExit();
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace nw::ui
