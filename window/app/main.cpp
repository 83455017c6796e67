#include "core/descriptions/descriptionsserver.h"
#include "window/app/mainwindow.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quillnet-configurator.svg")));
    setDescriptionsHost(QStringLiteral(QUILLNET_DESCRIPTIONS_HOST));
    int exitCode = 0;
    {
        MainWindow window;
        window.show();
        exitCode = QApplication::exec();
    } // the window saves the module list as it goes
    return exitCode;
}
