#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

// The data a command prints on standard output: a table for people, one JSON document, or
// JSON lines (one per module or per difference) for scripts.
enum class OutputFormat { Table, Json, Jsonl };

// Table on a terminal, one JSON document otherwise.
OutputFormat defaultOutputFormat();

// A value as the one document of -o json: an object or an array indented, any other value
// as compact JSON text (json/jsontext.h has jsonText() for that); a line each way.
QByteArray jsonDocumentText(const QJsonValue &value);
// A value in a table cell: a string as it is (control characters escaped, so that a row
// stays one line), anything else as compact JSON, an undefined value as "(missing)".
QString cellText(const QJsonValue &value);

void printData(const QByteArray &text);
// Columns padded to their widest cell; the header in capitals.
void printTable(const QStringList &header, const QList<QStringList> &rows);

// A list of records, in order: a JSON array written as the records come, JSON lines, or a
// table printed once the last row is in.
class RecordWriter
{
public:
    RecordWriter(OutputFormat format, const QStringList &tableHeader);
    ~RecordWriter();
    RecordWriter(const RecordWriter &) = delete;
    RecordWriter &operator=(const RecordWriter &) = delete;

    OutputFormat format() const { return outputFormat; }
    void add(const QJsonValue &record, const QList<QStringList> &tableRows);
    void finish();

private:
    OutputFormat outputFormat;
    QStringList header;
    QList<QStringList> rows;
    int records = 0;
    bool finished = false;
};
