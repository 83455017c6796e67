#include "modulesession.h"

#include "modules/moduleentry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QIntValidator>
#include <QLineEdit>
#include <QSettings>
#include <QtTest>

namespace {

constexpr int kAnswerTimeoutMs = 10000;

} // namespace

QByteArray sampleCatalog()
{
    QFile file(QStringLiteral(QUILLNET_SIM_DATA_DIR "/catalog.json"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("Cannot read the sample catalog");
    return file.readAll();
}

ModuleSession::ModuleSession(const QStringList &moduleEntries, const QByteArray &catalog)
{
    {
        QSettings settings(QStringLiteral("options.ini"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("global/modules"), joinModuleList(moduleEntries));
    }
    QFile file(QStringLiteral("description.json"));
    if (!file.open(QIODevice::WriteOnly) || file.write(catalog) != catalog.size())
        qFatal("Cannot write description.json");
    file.close();

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
    QListWidget *list = probe->listWidget();
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toString() == pageKey) {
            list->setCurrentRow(i);
            return true;
        }
    }
    return false;
}

bool ModuleSession::openPage(const QString &pageKey)
{
    return requestPage(pageKey)
        && QTest::qWaitFor([this] { return probe->pageReply() == nullptr; }, kAnswerTimeoutMs);
}

QStringList ModuleSession::pageTexts() const
{
    QStringList texts;
    for (int i = 0; i < probe->listWidget()->count(); ++i)
        texts.append(probe->listWidget()->item(i)->text());
    return texts;
}

QStringList ModuleSession::pageKeys() const
{
    QStringList keys;
    for (int i = 0; i < probe->listWidget()->count(); ++i)
        keys.append(probe->listWidget()->item(i)->data(Qt::UserRole).toString());
    return keys;
}

QStringList ModuleSession::rows() const
{
    QTableWidget *table = probe->tableWidget();
    QStringList lines;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *label = table->item(row, 0);
        lines.append(QStringLiteral("%1|%2|%3|%4")
                         .arg(label ? label->text() : QStringLiteral("<none>"))
                         .arg(row < probe->rowTypes().size() ? probe->rowTypes().at(row) : -1)
                         .arg(row < probe->rowKeys().size() ? probe->rowKeys().at(row) : QStringLiteral("<none>"))
                         .arg(describeEditor(table, row)));
    }
    // The row lists never run past the table either.
    if (probe->rowTypes().size() != table->rowCount() || probe->rowKeys().size() != table->rowCount())
        lines.append(QStringLiteral("row lists out of step"));
    return lines;
}

QString describeEditor(QTableWidget *table, int row)
{
    QWidget *widget = table->cellWidget(row, 1);
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        const auto *validator = qobject_cast<const QIntValidator *>(edit->validator());
        if (!validator)
            return edit->validator() ? QStringLiteral("?") : QStringLiteral("text:") + edit->text();
        const bool fullRange = validator->bottom() == std::numeric_limits<int>::min()
            && validator->top() == std::numeric_limits<int>::max();
        return (fullRange ? QStringLiteral("number:") : QStringLiteral("?")) + edit->text();
    }
    if (auto *box = qobject_cast<QCheckBox *>(widget))
        return box->text().isEmpty() ? QStringLiteral("flag:%1").arg(box->isChecked() ? 1 : 0) : QStringLiteral("?");
    if (auto *box = qobject_cast<QComboBox *>(widget)) {
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items.append(box->itemText(i));
        return QStringLiteral("choice:%1@%2").arg(items.join(QLatin1Char('|'))).arg(box->currentIndex());
    }
    if (widget)
        return QStringLiteral("?");
    if (const QTableWidgetItem *item = table->item(row, 1))
        return QStringLiteral("cell:") + item->text();
    const QTableWidgetItem *label = table->item(row, 0);
    if (table->columnSpan(row, 0) == 2 && label && label->textAlignment() == Qt::AlignHCenter)
        return QStringLiteral("header");
    return QStringLiteral("?");
}
