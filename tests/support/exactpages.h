#pragma once

#include <QByteArray>
#include <QtTest>

// Pages "1" whose numbers the toolkit's values would not hold, as a module sends them
// ("sent"), and the page as every write and backup must give it back ("kept"): compact,
// keys in order, the last of a key given twice, every number with the value sent. Each page
// has the text option "name" = "n" to change beside them.
inline void addExactPageRows()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("kept");
    const auto same = [](const char *name, const QByteArray &page) {
        QTest::newRow(name) << page << page;
    };
    QTest::newRow("beyond a double")
        << QByteArray(R"({"huge":9007199254740993,"name":"n","ratio":1.0,"serial":12345678901234567890})")
        << QByteArray(R"({"huge":9007199254740993,"name":"n","ratio":1,"serial":12345678901234567890})");
    same("64-bit limits", R"({"max":18446744073709551615,"min":-9223372036854775808,"name":"n"})");
    same("negative zeros", R"({"name":"n","z":-0,"zf":-0.0})");
    same("beyond the range of a double", R"({"big":1e400,"name":"n","tiny":-1E-400})");
    QTest::newRow("a trailing zero") << QByteArray(R"({"name":"n","price":2.50})")
                                     << QByteArray(R"({"name":"n","price":2.5})");
    same("a long decimal", R"({"name":"n","pi":3.14159265358979323846264338327950288})");
    same("in a group and an array",
         R"({"g":{"c":18446744073709551615,"d":[0.30000000000000000000001,-0]},"name":"n"})");
    QTest::newRow("a key given twice")
        << QByteArray(R"({"v":12345678901234567890,"name":"n","v":1,"w":1,"w":1e400})")
        << QByteArray(R"({"name":"n","v":1,"w":1e400})");
    QTest::newRow("keys beyond ASCII, escaped and not")
        << QByteArray(R"({"\u00e9":12345678901234567890,"name":"n","ж":1e400})")
        << QByteArray(R"({"name":"n","é":12345678901234567890,"ж":1e400})");
}

// The page text with "name" changed to "m".
inline QByteArray withNameChanged(const QByteArray &page)
{
    return QByteArray(page).replace(R"("name":"n")", R"("name":"m")");
}
