#include "window/app/textdialog.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeySequence>
#include <QShortcut>
#include <QTextEdit>

namespace {

constexpr int kDialogWidth = 379;
constexpr int kDialogHeight = 461;

} // namespace

QTextEdit *setupTextDialog(QDialog *dialog, const char *context, const char *title)
{
    if (dialog->objectName().isEmpty())
        dialog->setObjectName(QString::fromLatin1(context));
    dialog->resize(kDialogWidth, kDialogHeight);
    dialog->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);

    auto *gridLayout = new QGridLayout(dialog);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    auto *textEdit = new QTextEdit(dialog);
    textEdit->setObjectName(QStringLiteral("textEdit"));
    gridLayout->addWidget(textEdit, 0, 0, 1, 1);
    auto *buttonBox = new QDialogButtonBox(dialog);
    buttonBox->setObjectName(QStringLiteral("buttonBox"));
    buttonBox->setOrientation(Qt::Horizontal);
    buttonBox->setStandardButtons(QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
    gridLayout->addWidget(buttonBox, 1, 0, 1, 1);

    dialog->setWindowTitle(QCoreApplication::translate(context, title));
    QObject::connect(buttonBox, SIGNAL(accepted()), dialog, SLOT(accept()));
    QObject::connect(buttonBox, SIGNAL(rejected()), dialog, SLOT(reject()));
    // Enter makes a new line in the text: Ctrl+Enter is Ok.
    for (const int enter : {Qt::Key_Return, Qt::Key_Enter})
        QObject::connect(new QShortcut(QKeySequence(Qt::CTRL | enter), dialog), &QShortcut::activated, dialog,
                         &QDialog::accept);
    QMetaObject::connectSlotsByName(dialog);
    return textEdit;
}
