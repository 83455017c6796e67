#include "modulesession.h"

#include "modules/moduleentry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QIntValidator>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>

#include <climits>

// Room for sanitised builds taking in bodies of megabytes.
constexpr int kAnswerTimeoutMs = 20000;

QByteArray sampleCatalog()
{
    QFile file(QStringLiteral(QUILLNET_SIM_DATA_DIR "/catalog.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read the sample catalog");
    return file.readAll();
}

ModuleSession::ModuleSession(const QStringList &moduleEntries, const QByteArray &catalog)
{
    QSettings(QStringLiteral("options.ini"), QSettings::IniFormat)
        .setValue(QStringLiteral("global/modules"), joinModuleList(moduleEntries));
    QFile file(QStringLiteral("description.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(catalog) != catalog.size() || !file.flush())
        qFatal("Cannot write description.json");
    window = std::make_unique<MainWindow>();
    probe = std::make_unique<MainWindowProbe>(*window);
}

bool ModuleSession::selectModule(int index)
{
    probe->comboBox()->setCurrentIndex(index);
    return QTest::qWaitFor([this] { return probe->pagesReply() == nullptr; }, kAnswerTimeoutMs)
        && probe->comboBox()->isEnabled();
}

bool ModuleSession::requestPage(const QString &pageKey)
{
    const int row = pageKeys().indexOf(pageKey);
    probe->listWidget()->setCurrentRow(row >= 0 ? row : probe->listWidget()->currentRow());
    return row >= 0;
}

bool ModuleSession::openPage(const QString &pageKey)
{
    return requestPage(pageKey)
        && QTest::qWaitFor([this] { return probe->pageReply() == nullptr; }, kAnswerTimeoutMs);
}

QStringList ModuleSession::listData(int role) const
{
    QStringList data;
    for (int i = 0; i < probe->listWidget()->count(); ++i)
        data.append(probe->listWidget()->item(i)->data(role).toString());
    return data;
}

QStringList ModuleSession::boxTexts() const
{
    QStringList texts;
    for (const ModalRecord &record : modals.records)
        texts.append(record.text);
    return texts;
}

static QString describeEditor(QTableWidget *table, int row)
{
    QWidget *widget = table->cellWidget(row, 1);
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        const auto *number = qobject_cast<const QIntValidator *>(edit->validator());
        const bool fullRange = number && number->bottom() == INT_MIN && number->top() == INT_MAX;
        if (edit->isReadOnly())
            return (edit->validator() ? "?" : "shown:") + edit->text();
        return (!edit->validator() ? "text:" : fullRange ? "number:" : "?") + edit->text();
    }
    if (auto *box = qobject_cast<QCheckBox *>(widget))
        return QStringLiteral("flag:%1").arg(box->isChecked() ? 1 : 0);
    if (auto *box = qobject_cast<QComboBox *>(widget)) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items.append(box->itemText(i));
        return QStringLiteral("choice:%1@%2").arg(items.join(QLatin1Char('|'))).arg(box->currentIndex());
    }
    const QTableWidgetItem *value = table->item(row, 1);
    if (widget || value)
        return widget ? QStringLiteral("?") : "cell:" + value->text();
    const QTableWidgetItem *label = table->item(row, 0);
    const bool header = table->columnSpan(row, 0) == 2 && label && label->textAlignment() == Qt::AlignHCenter;
    return header ? "header" : "?";
}

QStringList ModuleSession::rows() const
{
    QTableWidget *table = probe->tableWidget();
    QStringList lines;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *label = table->item(row, 0);
        lines.append(QStringList{label ? label->text() : "<none>",
                                 QString::number(probe->rowTypes().value(row, -1)),
                                 probe->rowKeys().value(row, "<none>"), describeEditor(table, row)}
                         .join('|'));
    }
    // The row lists never run past the table either.
    if (probe->rowTypes().size() != table->rowCount() || probe->rowKeys().size() != table->rowCount())
        lines.append(QStringLiteral("row lists out of step"));
    return lines;
}
