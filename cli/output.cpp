#include "cli/output.h"

#include "cli/exitstatus.h"
#include "cli/reporter.h"
#include "core/json/jsontext.h"

#include <QJsonArray>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

const QString kMissingText = QStringLiteral("(missing)");
const QString kColumnGap = QStringLiteral("  ");
const QByteArray kRecordIndent = QByteArrayLiteral("    ");

// The serializer escapes the control characters below U+0020 only. DEL and U+0080..U+009F
// (which some terminals take as the start of a command) are written as JSON escapes as well:
// in JSON text they stand only inside strings, and the escape reads back as the same string.
// In UTF-8, U+0080..U+009F are the byte 0xC2 followed by one of 0x80..0x9F.
QByteArray escapedWideControls(const QByteArray &text)
{
    QByteArray escaped;
    escaped.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const auto byte = uchar(text.at(i));
        const auto next = i + 1 < text.size() ? uchar(text.at(i + 1)) : uchar(0);
        if (byte == 0x7f) {
            escaped += "\\u007f";
        } else if (byte == 0xc2 && next >= 0x80 && next <= 0x9f) {
            escaped += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            escaped += char(byte);
        }
    }
    return escaped;
}

// Why standard output failed: the error of the first write or flush that did.
int outputError = 0;

QByteArray indentedRecord(const QJsonValue &record)
{
    QByteArray text = jsonDocumentText(record);
    text.chop(1);
    return kRecordIndent + text.replace('\n', "\n" + kRecordIndent);
}

} // namespace

QString terminalText(const QString &text)
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
        return value.toString();
    return jsonText(value);
}

bool printData(const QByteArray &text)
{
    const QByteArray data = escapedWideControls(text);
    const bool written = std::fwrite(data.constData(), 1, size_t(data.size()), stdout) == size_t(data.size())
        && std::fflush(stdout) == 0;
    if (!written && outputError == 0)
        outputError = errno;
    return written;
}

int checkedExitStatus(int status)
{
    // Lost output outranks some targets failing and differences found, not the rest.
    const bool outranked = status == ExitSuccess || status == ExitDifferences || status == ExitSomeFailed;
    if (std::fflush(stdout) != 0 && outputError == 0)
        outputError = errno;
    if (std::ferror(stdout) != 0) {
        Reporter(false, false)
            .error(QStringLiteral("cannot write to standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(outputError != 0 ? outputError : EIO))));
        if (outranked)
            return ExitAllFailed;
    }
    // Messages that did not get out cannot be told of.
    if ((std::fflush(stderr) != 0 || std::ferror(stderr) != 0) && outranked)
        return ExitAllFailed;
    return status;
}

void printTable(const QStringList &header, const QList<QStringList> &rows)
{
    QStringList titles;
    for (const QString &title : header)
        titles.append(title.toUpper());
    QList<QStringList> lines;
    lines.append(titles);
    for (const QStringList &row : rows) {
        QStringList cells;
        for (const QString &cell : row)
            cells.append(terminalText(cell));
        // Empty cells at the end leave no blanks at the end of the line.
        while (!cells.isEmpty() && cells.last().isEmpty())
            cells.removeLast();
        lines.append(cells);
    }
    QList<int> widths;
    for (const QStringList &cells : qAsConst(lines)) {
        for (int column = 0; column < cells.size(); ++column) {
            if (column == widths.size())
                widths.append(0);
            widths[column] = std::max(widths.at(column), int(cells.at(column).size()));
        }
    }
    QByteArray text;
    for (const QStringList &cells : qAsConst(lines)) {
        QString line;
        for (int column = 0; column < cells.size(); ++column) {
            if (column > 0)
                line += kColumnGap;
            // The last column is not padded: no blanks at the ends of lines.
            line += column + 1 < cells.size() ? cells.at(column).leftJustified(widths.at(column))
                                              : cells.at(column);
        }
        text += line.toUtf8() + '\n';
    }
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
