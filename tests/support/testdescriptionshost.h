#pragma once

#include <QString>

// Points the window's descriptions downloads at host (host:port). Until set, downloads go
// to a closed loopback port and fail at once.
void setTestDescriptionsHost(const QString &host);
