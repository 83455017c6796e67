#pragma once

#include <QString>

// Messages, progress and the summary, on standard error; the data goes to standard output.
// Progress shows only when standard error is a terminal, on one line that the next
// message or progress replaces. Every text is written with its control characters escaped.
class Reporter
{
public:
    Reporter(bool quiet, bool verbose);

    void error(const QString &text); // always shown
    void warning(const QString &text); // always shown
    void info(const QString &text); // not with -q
    void detail(const QString &text); // only with -v
    void progress(const QString &text);
    void endProgress();
    void ask(const QString &question); // always shown, the answer on the same line

    bool isVerbose() const { return verbose; }

private:
    void line(const QString &text);

    bool quiet;
    bool verbose;
    bool terminal;
    bool progressShown = false;
};
