#include "app/mainwindow.h"

void MainWindow::clicktable(int, int)
{
}
