#pragma once

#include <QString>

// Host (host or host:port) of the descriptions server. The configurator fixes it at build
// time; the tests supply their own definition that points at a simulator they started.
QString descriptionsHost();
