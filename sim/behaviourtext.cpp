#include "sim/behaviourtext.h"

#include <QStringList>

#include <algorithm>
#include <iterator>
#include <limits>

namespace {

using Fault = ModuleSimulator::Fault;

const QString kDown = QStringLiteral("down");

struct FaultName
{
    Fault fault;
    const char *name;
};

const FaultName kFaultNames[] = {
    {Fault::None, "ok"},
    {Fault::PlainError404, "error404"},
    {Fault::EmptyPageText, "empty"},
    {Fault::NullPage, "null"},
    {Fault::HttpStatus, "status"},
    {Fault::InvalidJson, "invalid-json"},
    {Fault::Hang, "hang"},
    {Fault::ChangeBetween, "change-between"},
};

// A whole decimal number in [low, high].
bool readNumber(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int number = text.toInt(&ok, 10);
    if (!ok || number < low || number > high)
        return false;
    *value = number;
    return true;
}

} // namespace

bool parseBehaviour(const QString &text, ModuleSimulator::Behaviour *behaviour, QString *error)
{
    ModuleSimulator::Behaviour parsed;
    bool faultSeen = false;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QString name = part.section(QLatin1Char(':'), 0, 0);
        const QString argument = part.section(QLatin1Char(':'), 1);
        const bool hasArgument = part.contains(QLatin1Char(':'));
        if (name == QLatin1String("delay")) {
            if (!hasArgument || !readNumber(argument, 0, 3600 * 1000, &parsed.delayMs)) {
                *error = QStringLiteral("delay needs milliseconds, as in delay:1500");
                return false;
            }
            continue;
        }
        const auto known
            = std::find_if(std::begin(kFaultNames), std::end(kFaultNames),
                           [&name](const FaultName &f) { return name == QLatin1String(f.name); });
        if (known == std::end(kFaultNames) || faultSeen) {
            *error = QStringLiteral("unknown behaviour \"%1\"").arg(text);
            return false;
        }
        faultSeen = true;
        parsed.fault = known->fault;
        if (parsed.fault == Fault::HttpStatus) {
            if (!hasArgument || !readNumber(argument, 200, 599, &parsed.status)) {
                *error = QStringLiteral("status needs an HTTP status from 200 to 599, as in status:500");
                return false;
            }
        } else if (hasArgument) {
            *error = QStringLiteral("\"%1\" takes no value").arg(name);
            return false;
        }
    }
    *behaviour = parsed;
    return true;
}

QString behaviourText(const ModuleSimulator::Behaviour &behaviour)
{
    QString text;
    for (const FaultName &f : kFaultNames) {
        if (f.fault == behaviour.fault)
            text = QLatin1String(f.name);
    }
    if (behaviour.fault == Fault::HttpStatus)
        text += QLatin1Char(':') + QString::number(behaviour.status);
    if (behaviour.delayMs > 0)
        text += QStringLiteral(",delay:") + QString::number(behaviour.delayMs);
    return text;
}

bool parsePageBehaviour(const QString &text, QString *pageKey, ModuleSimulator::Behaviour *behaviour,
                        QString *error)
{
    if (parseBehaviour(text, behaviour, error)) {
        pageKey->clear();
        return true;
    }
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    if (!parseBehaviour(text.mid(colon + 1), behaviour, error))
        return false;
    error->clear();
    *pageKey = text.left(colon);
    return true;
}

bool parseFaultRule(const QString &text, ModuleFleet::FaultRule *rule, QString *error)
{
    const int equals = text.indexOf(QLatin1Char('='));
    ModuleFleet::FaultRule parsed;
    if (equals < 0 || !readNumber(text.left(equals), 1, std::numeric_limits<int>::max(), &parsed.every)) {
        *error
            = QStringLiteral("\"%1\" is not K=FAULT with K a whole number from 1, as in 10=hang").arg(text);
        return false;
    }
    const QString fault = text.mid(equals + 1);
    parsed.down = fault == kDown;
    if (!parsed.down && !parseBehaviour(fault, &parsed.behaviour, error))
        return false;
    *rule = parsed;
    return true;
}

QString faultText(const ModuleFleet::FaultRule &rule)
{
    return rule.down ? kDown : behaviourText(rule.behaviour);
}
