#include "cli/reporter.h"

#include "cli/output.h"

#include <cstdio>
#include <unistd.h>

namespace {

const char *const kClearLine = "\r\033[K";

} // namespace

Reporter::Reporter(bool quiet, bool verbose)
    : quiet(quiet)
    , verbose(verbose)
    , terminal(::isatty(STDERR_FILENO) == 1)
{ }

void Reporter::line(const QString &text)
{
    endProgress();
    std::fputs(QStringLiteral("quillnet: %1\n").arg(terminalText(text)).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void Reporter::error(const QString &text)
{
    line(QStringLiteral("error: ") + text);
}

void Reporter::warning(const QString &text)
{
    line(QStringLiteral("warning: ") + text);
}

void Reporter::info(const QString &text)
{
    if (!quiet)
        line(text);
}

void Reporter::detail(const QString &text)
{
    if (verbose)
        line(text);
}

void Reporter::progress(const QString &text)
{
    if (!terminal || quiet)
        return;
    std::fputs(kClearLine, stderr);
    std::fputs(terminalText(text).toUtf8().constData(), stderr);
    std::fflush(stderr);
    progressShown = true;
}

void Reporter::ask(const QString &question)
{
    endProgress();
    std::fputs(terminalText(question).toUtf8().constData(), stderr);
    std::fflush(stderr);
}

void Reporter::endProgress()
{
    if (!progressShown)
        return;
    std::fputs(kClearLine, stderr);
    std::fflush(stderr);
    progressShown = false;
}
