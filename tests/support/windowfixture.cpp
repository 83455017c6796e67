#include "support/windowfixture.h"

#include "core/descriptions/catalogfile.h"
#include "core/modules/announcements.h"
#include "core/modules/modulelistfile.h"
#include "support/timeouts.h"
#include "support/waituntil.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QTest>
#include <QUdpSocket>

#include <climits>

void WindowFixture::open(const QStringList &modules, const QByteArray &catalog)
{
    if (!writeModuleList(kModuleListFileName, modules))
        qFatal("Cannot write the module list");
    if (!catalog.isNull())
        dir.writeFile(kCatalogFileName, catalog);
    openWindow();
}

bool WindowFixture::selectModule(int index)
{
    probe->comboBox()->setCurrentIndex(index);
    return waitUntil([this] { return !probe->pagesReply(); }) && probe->comboBox()->isEnabled();
}

bool WindowFixture::requestPage(const QString &pageKey)
{
    const int row = pageKeys().indexOf(pageKey);
    if (row >= 0)
        probe->listWidget()->setCurrentRow(row);
    return row >= 0;
}

bool WindowFixture::openPage(const QString &pageKey)
{
    return requestPage(pageKey) && waitUntil([this] { return !probe->pageReply(); });
}

bool WindowFixture::trigger(const QString &menuItem)
{
    for (QAction *action : window->findChildren<QAction *>()) {
        if (action->text() == menuItem) {
            action->trigger();
            return true;
        }
    }
    return false;
}

QStringList WindowFixture::listData(int role) const
{
    QStringList data;
    for (int i = 0; i < probe->listWidget()->count(); ++i)
        data.append(probe->listWidget()->item(i)->data(role).toString());
    return data;
}

QStringList WindowFixture::selector(int role) const
{
    QStringList items;
    for (int i = 1; i < probe->comboBox()->count(); ++i)
        items.append(probe->comboBox()->itemData(i, role).toString());
    return items;
}

QStringList WindowFixture::boxes() const
{
    QStringList texts;
    for (const ModalRecord &record : modals.records)
        texts.append(record.text);
    return texts;
}

static QString describeEditor(const QTableWidget *table, int row)
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
        return "choice:" + items.join('|') + '@' + QString::number(box->currentIndex());
    }
    const QTableWidgetItem *value = table->item(row, 1);
    if (widget || value)
        return widget ? QStringLiteral("?") : "cell:" + value->text();
    const QTableWidgetItem *label = table->item(row, 0);
    const bool header = table->columnSpan(row, 0) == 2 && label && label->textAlignment() == Qt::AlignHCenter;
    return header ? "header" : "?";
}

QStringList WindowFixture::rows() const
{
    const QTableWidget *table = probe->tableWidget();
    QStringList lines;
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem *label = table->item(row, 0);
        lines.append((label ? label->text() : "<none>") + '|'
                     + QString::number(probe->rowTypes().value(row, -1)) + '|'
                     + probe->rowKeys().value(row, "<none>") + '|' + describeEditor(table, row));
    }
    // The row lists never run past the table either.
    if (probe->rowTypes().size() != table->rowCount() || probe->rowKeys().size() != table->rowCount())
        lines.append(QStringLiteral("row lists out of step"));
    return lines;
}

bool sendFrom(const QString &source, const QByteArray &datagram)
{
    QUdpSocket socket;
    return socket.bind(QHostAddress(source), 0)
        && socket.writeDatagram(datagram, QHostAddress::LocalHost, kDiscoveryPort) == datagram.size();
}

bool discoveryPortFree()
{
    return QUdpSocket().bind(QHostAddress::AnyIPv4, kDiscoveryPort, QAbstractSocket::DontShareAddress);
}
