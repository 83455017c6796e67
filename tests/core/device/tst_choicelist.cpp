#include "core/device/choicelist.h"

#include <QJsonDocument>
#include <QtTest>

// A choice list shown as labels, the entry an option's value selects, and the value a chosen
// entry writes back.
class TestChoiceList : public QObject
{
    Q_OBJECT

private slots:
    void entries_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("value"); // JSON text of the option's value
        QTest::addColumn<QStringList>("entries"); // "value=label" of each entry
        QTest::addColumn<int>("index"); // the entry holding the value; -1: none, the box shows 0
        const auto row = [](const char *name, const char *data, const char *value, const QStringList &entries,
                            int index) {
            QTest::newRow(name) << QString(data) << QByteArray(value) << entries << index;
        };
        row("text value is not read as a number", "1=One,01=Two", "\"01\"", {"1=One", "01=Two"}, 1);
        row("text is compared as it is", "a=Alpha,b=Beta", "\"B\"", {"a=Alpha", "b=Beta"}, -1);
        row("number value matches 01", "5=Five,01=One", "1", {"5=Five", "01=One"}, 1);
        row("value parts that are no number read as 0", "x=X,y=Y", "0", {"x=X", "y=Y"}, 1);
        row("the last match wins", "1=One,1=Uno,2=Two", "1", {"1=One", "1=Uno", "2=Two"}, 1);
        row("label up to a further equals sign; no sign: the whole entry", "1=a=b,auto", "\"auto\"",
            {"1=a", "auto=auto"}, 1);
        row("empty entries count", "1=A,,2=B", "2", {"1=A", "=", "2=B"}, 2);
        row("no data: one empty entry", "", "7", {"="}, -1);
    }
    void entries()
    {
        QFETCH(QString, data);
        QFETCH(QByteArray, value);
        QFETCH(QStringList, entries);
        QFETCH(int, index);
        const QList<ChoiceEntry> parsed = choiceEntries(data);
        const QStringList labels = choiceLabels(parsed);
        QStringList read;
        for (int i = 0; i < parsed.size(); ++i)
            read.append(parsed.at(i).value + '=' + labels.value(i));
        QCOMPARE(read, entries);
        const QJsonValue option = QJsonDocument::fromJson("[" + value + "]").array().at(0);
        QCOMPARE(choiceEntryOf(parsed, option), index);
        QCOMPARE(choiceIndex(parsed, option), qMax(index, 0));
    }

    // Text for an option that holds text, else a number.
    void valueWrittenBack_data()
    {
        QTest::addColumn<QString>("valueText");
        QTest::addColumn<bool>("asText");
        QTest::addColumn<QJsonValue>("expected");
        QTest::newRow("text stays text") << "1" << true << QJsonValue("1");
        QTest::newRow("a number stays a number") << "1" << false << QJsonValue(1);
        QTest::newRow("a value part that is no number") << "off" << false << QJsonValue(0);
        QTest::newRow("an empty entry") << "" << true << QJsonValue("");
    }
    void valueWrittenBack()
    {
        QFETCH(QString, valueText);
        QFETCH(bool, asText);
        QFETCH(QJsonValue, expected);
        const QJsonValue value = choiceValue(valueText, asText);
        QCOMPARE(value.type(), expected.type());
        QCOMPARE(value, expected);
    }
};

QTEST_APPLESS_MAIN(TestChoiceList)
#include "tst_choicelist.moc"
