#include "window/app/mainwindow.h"

#include "core/modules/moduleentry.h"
#include "core/modules/modulelistfile.h"
#include "window/app/uitexts.h"

#include <QComboBox>

void MainWindow::loadmodules()
{
    modules = readModuleList(kModuleListFileName);
}

void MainWindow::savemodules() const
{
    // A file that cannot be written loses only this run's changes; the status would also
    // report a mere read error of the old file, so it is not examined.
    writeModuleList(kModuleListFileName, modules);
}

void MainWindow::fillmodules()
{
    QComboBox *selector = ui->comboBox;
    selector->clear();
    selector->addItem(tr(uitexts::modulePrompt));
    const QStringList entries = modules;
    for (const QString &entry : entries) {
        const ModuleEntry module = splitModuleEntry(entry);
        selector->addItem(module.label, module.address);
    }
}
