// tarvolin: the desktop wizard.
#include <QApplication>
#include <QDialog>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tarvolin"));
    QApplication::setApplicationVersion(QStringLiteral(TVN_VERSION));
    QDialog main;
    main.setWindowTitle(QStringLiteral("Tarvolin"));
    main.resize(620, 500);
    main.show();
    return QApplication::exec();
}
