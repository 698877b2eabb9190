// The yardstick for bench/clip_startup.sh: a Qt Widgets program that does nothing but show one
// message box like the clipboard tools' (title, address text, OK, no icon).
#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("1staddrclip"), QStringLiteral("192.0.2.10"),
                    QMessageBox::Ok);
    box.exec();
    return 0;
}
