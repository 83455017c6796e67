#include "cli/output.h"

#include "core/json/jsontext.h"

#include <QJsonArray>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {

const QString kMissingText = QStringLiteral("(missing)");
const QString kColumnGap = QStringLiteral("  ");
const QByteArray kRecordIndent = QByteArrayLiteral("    ");

QString escapedControls(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else if (c.category() == QChar::Other_Control)
            escaped += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            escaped += c;
    }
    return escaped;
}

QByteArray indentedRecord(const QJsonValue &record)
{
    QByteArray text = jsonDocumentText(record);
    text.chop(1);
    return kRecordIndent + text.replace('\n', "\n" + kRecordIndent);
}

} // namespace

OutputFormat defaultOutputFormat()
{
    return ::isatty(STDOUT_FILENO) == 1 ? OutputFormat::Table : OutputFormat::Json;
}

QByteArray jsonDocumentText(const QJsonValue &value)
{
    if (value.isObject() || value.isArray())
        return indentedJson(value);
    return jsonText(value).toUtf8() + '\n';
}

QString cellText(const QJsonValue &value)
{
    if (value.isUndefined())
        return kMissingText;
    if (value.isString())
        return escapedControls(value.toString());
    return jsonText(value);
}

void printData(const QByteArray &text)
{
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    std::fflush(stdout);
}

void printTable(const QStringList &header, const QList<QStringList> &rows)
{
    QList<int> widths;
    for (const QString &title : header)
        widths.append(title.size());
    for (const QStringList &row : rows) {
        for (int column = 0; column < row.size() && column < widths.size(); ++column)
            widths[column] = std::max(widths.at(column), int(row.at(column).size()));
    }
    const auto line = [&widths](QStringList cells) {
        // Empty cells at the end leave no blanks at the end of the line.
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        QString text;
        for (int column = 0; column < cells.size(); ++column) {
            if (column > 0)
                text += kColumnGap;
            // The last column is not padded: no blanks at the ends of lines.
            text += column + 1 < cells.size() ? cells.at(column).leftJustified(widths.value(column))
                                              : cells.at(column);
        }
        return text.toUtf8() + '\n';
    };
    QStringList titles;
    for (const QString &title : header)
        titles.append(title.toUpper());
    QByteArray text = line(titles);
    for (const QStringList &row : rows)
        text += line(row);
    printData(text);
}

RecordWriter::RecordWriter(OutputFormat format, const QStringList &tableHeader)
    : outputFormat(format)
    , header(tableHeader)
{ }

RecordWriter::~RecordWriter()
{
    finish();
}

void RecordWriter::add(const QJsonValue &record, const QList<QStringList> &tableRows)
{
    switch (outputFormat) {
    case OutputFormat::Table:
        rows += tableRows;
        break;
    case OutputFormat::Json:
        printData((records == 0 ? QByteArray("[\n") : QByteArray(",\n")) + indentedRecord(record));
        break;
    case OutputFormat::Jsonl:
        printData(jsonText(record).toUtf8() + '\n');
        break;
    }
    ++records;
}

void RecordWriter::finish()
{
    if (finished)
        return;
    finished = true;
    switch (outputFormat) {
    case OutputFormat::Table:
        if (!rows.isEmpty())
            printTable(header, rows);
        break;
    case OutputFormat::Json:
        printData(records == 0 ? QByteArray("[]\n") : QByteArray("\n]\n"));
        break;
    case OutputFormat::Jsonl:
        break;
    }
}
