#include "descriptions/descriptionshost.h"

QString descriptionsHost()
{
    return QStringLiteral(QUILLNET_DESCRIPTIONS_HOST);
}
