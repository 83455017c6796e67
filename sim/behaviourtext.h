#pragma once

#include "sim/modulefleet.h"
#include "sim/modulesimulator.h"

#include <QString>

// The behaviour of an endpoint as written on the simulator's command line: a fault
// (ok, error404, empty, null, status:CODE, invalid-json, hang), optionally followed by
// ",delay:MS"; or "delay:MS" alone. False with a message in *error for anything else.
bool parseBehaviour(const QString &text, ModuleSimulator::Behaviour *behaviour, QString *error);
// The reverse, for the start-up summary.
QString behaviourText(const ModuleSimulator::Behaviour &behaviour);

// "[KEY:]BEHAVIOUR": text that reads as a behaviour applies to every page (empty key);
// otherwise the part before the first ':' is the page key.
bool parsePageBehaviour(const QString &text, QString *pageKey, ModuleSimulator::Behaviour *behaviour,
                        QString *error);

// A fault rule of a fleet, "K=FAULT": every Kth module (K a whole number from 1) has FAULT,
// "down" or a behaviour as above.
bool parseFaultRule(const QString &text, ModuleFleet::FaultRule *rule, QString *error);
// The fault of a rule as written: "down" or the behaviour.
QString faultText(const ModuleFleet::FaultRule &rule);
