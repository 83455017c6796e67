// quillnet's bash completion, sourced in bash as a Tab would run it, with and without the
// bash-completion package, against a simulated module.

#include "quillnetrun.h"

#include "core/modules/modulelistfile.h"
#include "support/testworkdir.h"

#include <QtTest>

namespace {

const QString kBashCompletion = QStringLiteral("/usr/share/bash-completion/bash_completion");

// Bash's words for the line: split at blanks, and around ":" and "=", which break words too.
QStringList completionWords(const QString &line)
{
    QStringList words;
    for (const QString &blankSeparated : line.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        static const QRegularExpression breaks(QStringLiteral("([:=])"));
        QString spaced = blankSeparated;
        for (const QString &part : spaced.replace(breaks, QStringLiteral(" \\1 ")).split(QLatin1Char(' ')))
            if (!part.isEmpty())
                words.append(part);
    }
    if (line.endsWith(QLatin1Char(' ')))
        words.append(QString());
    return words;
}

} // namespace

class TestCliCompletion : public QObject
{
    Q_OBJECT

private slots:
    void complete_data();
    void complete();
};

void TestCliCompletion::complete_data()
{
    QTest::addColumn<QString>("line"); // MODULE: the module's address; PORT: its port
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("a command") << "quillnet ba" << QStringList{"backup"};
    QTest::newRow("host:port, after the colon") << "quillnet get 127.0.0.1:" << QStringList{"PORT"};
    QTest::newRow("the pages of the module named")
        << "quillnet get MODULE " << QStringList{"1/", "3/", "a~1b:c#d%e f Я~0/", "promode/"};
    QTest::newRow("the options of a page, members in place of their group")
        << "quillnet -o table get MODULE 3/" << QStringList{"3/net/ch", "3/net/ip", "3/net/mode", "3/period"};
    QTest::newRow("set: an option to assign") << "quillnet set MODULE 1/p" << QStringList{"1/port="};
    QTest::newRow("no value guessed") << "quillnet set MODULE 1/port=" << QStringList{};
    QTest::newRow("a module that does not answer gives nothing")
        << "quillnet get " + deadAddress() + " " << QStringList{};
}

void TestCliCompletion::complete()
{
    QFETCH(QString, line);
    QFETCH(QStringList, offered);
    TestWorkDir dir;
    auto module = startModule(samplePages(), sampleOrder());
    QVERIFY(writeModuleList(dir.filePath(kModuleListFileName), {moduleAddress(*module) + " Boiler"}));
    line.replace("MODULE", moduleAddress(*module));
    offered.replaceInStrings("PORT", QString::number(module->port()));
    const QStringList words = completionWords(line);
    qRegisterMetaType<QProcess::ExitStatus>();
    const QString script = QStringLiteral(R"(
        [[ $1 == package ]] && . )")
        + kBashCompletion + QStringLiteral(R"(
        . "$2"
        COMP_LINE=$3 COMP_POINT=${#3} COMP_CWORD=$(($# - 4))
        COMP_WORDS=("${@:4}")
        _quillnet
        printf '%s\n' "${COMPREPLY[@]}")");
    for (const char *variant : {"package", "plain"}) {
        if (QLatin1String(variant) == QLatin1String("package") && !QFileInfo::exists(kBashCompletion))
            continue;
        QProcess bash;
        bash.setWorkingDirectory(dir.path());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("PATH", QStringLiteral(QUILLNET_DIR ":") + environment.value("PATH"));
        bash.setProcessEnvironment(environment);
        bash.start("bash",
                   QStringList{"--norc", "--noprofile", "-c", script, "bash", variant,
                               QStringLiteral(QUILLNET_COMPLETION), line}
                       + words);
        QSignalSpy finished(&bash, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        QVERIFY(finished.wait(30000));
        const QByteArray err = bash.readAllStandardError();
        QVERIFY2(err.isEmpty(), err);
        QStringList shown = QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(shown, offered);
    }
}

QTEST_GUILESS_MAIN(TestCliCompletion)
#include "tst_clicompletion.moc"
