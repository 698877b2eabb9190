#include "frmabout.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>

#include "icons.h"
#include "nw/platform/codepage.h"
#include "nw/platform/folder.h"
#include "nw/platform/ui.h"

#ifndef NW_VERSION
#define NW_VERSION "0.0.0"
#endif

namespace nw::ui {

namespace {

constexpr const char* kNoSysInfo = "現時点ではｼｽﾃﾑ情報を使用できません";
// Rights the key is opened with: read control plus query, set, create sub-key, enumerate,
// notify and create link.
constexpr uint32_t kKeyRights = READ_CONTROL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
                                KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK;
constexpr uint32_t kValueBufferSize = 1024;

}  // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle(QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    setWindowIcon(windowIcon());
    setAttribute(Qt::WA_DeleteOnClose);

    auto* picIcon = new QLabel(this);
    picIcon->setObjectName("picIcon");
    picIcon->setPixmap(windowIcon().pixmap(48, 48));
    picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    lblTitle_ = new QLabel(this);
    lblTitle_->setObjectName("lblTitle");
    QFont titleFont = lblTitle_->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    lblTitle_->setFont(titleFont);

    lblVersion_ = new QLabel(this);
    lblVersion_->setObjectName("lblVersion");

    auto* Label1 = new QLabel(QStringLiteral("Netwarden 開発チーム"), this);  // the credit line
    Label1->setObjectName("Label1");

    Label2_ = new QLabel(QString::fromLatin1(kWebPage), this);
    Label2_->setObjectName("Label2");
    QPalette linkPalette = Label2_->palette();
    linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    Label2_->setPalette(linkPalette);
    Label2_->setCursor(Qt::PointingHandCursor);
    Label2_->installEventFilter(this);

    // Line1: a sunken rule, grey above white.
    auto* Line1 = new QFrame(this);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);

    auto* cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);  // Enter; Escape closes every dialog
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::close);

    auto* cmdSysInfo = new QPushButton(QStringLiteral("ｼｽﾃﾑ情報(&S)"), this);
    cmdSysInfo->setObjectName("cmdSysInfo");
    cmdSysInfo->setAutoDefault(false);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* texts = new QVBoxLayout;
    texts->addWidget(lblTitle_);
    texts->addWidget(lblVersion_);
    texts->addSpacing(8);
    texts->addWidget(Label1);
    texts->addWidget(Label2_);
    texts->addStretch(1);

    auto* top = new QHBoxLayout;
    top->addWidget(picIcon);
    top->addSpacing(12);
    top->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Line1);
    layout->addLayout(bottom);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Load: the title and the version of this build.
    lblVersion_->setText(QStringLiteral("ﾊﾞｰｼﾞｮﾝ ") + QStringLiteral(NW_VERSION));
    lblTitle_->setText(QStringLiteral("ネットワーデン"));
    cmdOK->setFocus();
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Label2_ && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // The desktop's default browser; a failure to open is not reported.
        QDesktopServices::openUrl(QUrl(QString::fromLatin1(kWebPage)));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::StartSysInfo() {
    try {
        std::string program;
        if (!GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoKey, kSysInfoValue, program)) {
            std::string folder;
            if (GetKeyValue(HKEY_LOCAL_MACHINE, kSysInfoLocationKey, kSysInfoLocationValue, folder) &&
                QFileInfo::exists(QString::fromStdString(folder + "/" + kSysInfoFileName))) {
                program = folder + "/" + kSysInfoFileName;
            } else {
                messageBox(kNoSysInfo);
                return;
            }
        }
        QProcess tool;
        tool.setProgram(QString::fromStdString(program));
        tool.setWorkingDirectory(QString::fromStdString(programFolder()));
        tool.setStandardInputFile(QProcess::nullDevice());
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.setStandardErrorFile(QProcess::nullDevice());
        if (tool.startDetached()) return;
    } catch (const std::exception&) {
        // every failure ends in the one message below
    }
    messageBox(kNoSysInfo);
}

bool frmAbout::GetKeyValue(HKEY KeyRoot, const std::string& KeyName, const std::string& SubKeyRef,
                           std::string& KeyVal) {
    HKEY key = 0;
    if (RegOpenKeyExA(KeyRoot, KeyName, 0, kKeyRights, &key) != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }
    unsigned char buffer[kValueBufferSize] = {};
    uint32_t size = kValueBufferSize;
    uint32_t type = REG_NONE;
    const long status = RegQueryValueExA(key, SubKeyRef, &type, buffer, &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) {
        KeyVal.clear();
        return false;
    }

    if (type == REG_SZ) {
        std::string text(reinterpret_cast<const char*>(buffer), size);
        if (!text.empty() && text.back() == '\0') text.pop_back();
        KeyVal = fromSjis(text);
    } else if (type == REG_DWORD) {
        // Low byte first; every byte counts with both of its hexadecimal digits, and the number
        // reads as a signed 32-bit value.
        uint32_t value = 0;
        for (uint32_t i = 0; i < size && i < 4; ++i) value |= static_cast<uint32_t>(buffer[i]) << (8 * i);
        KeyVal = std::to_string(static_cast<int32_t>(value));
    }
    return true;
}

}  // namespace nw::ui
