#pragma once

#include <QCoreApplication>

// Ends app's event loop on Ctrl+C (SIGINT) and SIGTERM, printing "Stopping." first, so that
// the simulator stops its servers and exits with status 0.
void quitOnSignals(QCoreApplication *app);
