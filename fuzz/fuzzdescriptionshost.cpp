#include "descriptions/descriptionshost.h"

// The fuzz window starts with a local catalog and never downloads; should it try, the
// request goes to a closed loopback port and fails at once.
QString descriptionsHost()
{
    return QStringLiteral("127.0.0.1:1");
}
