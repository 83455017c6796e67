#include "app/mainwindow.h"

#include "app/uitexts.h"
#include "modules/moduleentry.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QTextEdit>

namespace {

constexpr int kEditorWidth = 379;
constexpr int kEditorHeight = 461;

} // namespace

void MainWindow::modulesedit()
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("DialogUI"));
    dialog.resize(kEditorWidth, kEditorHeight);
    dialog.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    auto *gridLayout = new QGridLayout(&dialog);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    auto *textEdit = new QTextEdit(&dialog);
    textEdit->setObjectName(QStringLiteral("textEdit"));
    gridLayout->addWidget(textEdit, 0, 0, 1, 1);
    auto *buttonBox = new QDialogButtonBox(&dialog);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
    gridLayout->addWidget(buttonBox, 1, 0, 1, 1);
    dialog.setWindowTitle(QCoreApplication::translate("DialogUI", uitexts::modulesEditorTitle));
    connect(buttonBox, SIGNAL(accepted()), &dialog, SLOT(accept()));
    connect(buttonBox, SIGNAL(rejected()), &dialog, SLOT(reject()));

    textEdit->insertPlainText(modulesEditorText(modules));

    if (dialog.exec() != QDialog::Accepted)
        return;
    modules = modulesFromEditorText(textEdit->toPlainText());
    fillmodules();
}
