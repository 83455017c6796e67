#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    int exitCode = 0;
    {
        MainWindow window;
        window.show();
        exitCode = QApplication::exec();
    } // the window saves the module list as it goes
    return exitCode;
}
