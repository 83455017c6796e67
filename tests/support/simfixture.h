#pragma once

#include "sim/modulesimulator.h"

#include <QString>

// A simulator on a free loopback port, loaded with the shipped sample data, which also
// serves as the descriptions server of the window under test.
class SimFixture
{
public:
    SimFixture(); // starts it and makes it the descriptions server
    ~SimFixture();

    ModuleSimulator sim;
    QString address() const; // "127.0.0.1:PORT", a module address and descriptions host
};
