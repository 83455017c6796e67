#include "app/mainwindow.h"

#include "app/uitexts.h"
#include "modules/moduleentry.h"

#include <QComboBox>
#include <QSettings>

namespace {

const QString kSettingsFile = QString::fromLatin1(kSettingsFileName);
const QString kModulesKey = QString::fromLatin1(kModulesSettingsKey);

} // namespace

void MainWindow::loadmodules()
{
    const QSettings settings(kSettingsFile, QSettings::IniFormat);
    modules = splitModuleList(storedModuleListText(settings.value(kModulesKey, QString())));
}

void MainWindow::savemodules() const
{
    QSettings settings(kSettingsFile, QSettings::IniFormat);
    settings.setValue(kModulesKey, joinModuleList(modules));
    // A file that cannot be written loses only this run's changes; the status would also
    // report a mere read error of the old file, so it is not examined.
    settings.sync();
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
