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

// Text from a module, a catalog or a file as a terminal is to show it: each control
// character, which would end the line, move the cursor or start a terminal command, written
// as an escape (\n, \t, \r, \u001b); every table cell and every message goes through it.
QString terminalText(const QString &text);

// A value as the one document of -o json: an object or an array indented, any other value
// as compact JSON text (json/jsontext.h has jsonText() for that); a line each way.
QByteArray jsonDocumentText(const QJsonValue &value);
// A value in a table cell: a string as it is, anything else as compact JSON, an undefined
// value as "(missing)".
QString cellText(const QJsonValue &value);

// Writes text to standard output and flushes it; false when that failed. JSON text is
// written with every control character escaped (the serializer leaves DEL and
// U+0080..U+009F as they are).
bool printData(const QByteArray &text);
// The exit status once standard output and error are flushed: 0, 1 or 3 becomes 4 when either
// of them could not be written all, after a message when it was standard output.
int checkedExitStatus(int status);
// Columns padded to their widest cell, each cell with its control characters escaped; the
// header in capitals.
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
