#include "support/simfixture.h"

#include "core/descriptions/descriptionsserver.h"

#include <QtGlobal>

namespace {

const QString kDataDir = QStringLiteral(QUILLNET_SIM_DATA_DIR);
const QString kLoopback = QStringLiteral("127.0.0.1");

} // namespace

SimFixture::SimFixture()
{
    QString error;
    if (!sim.loadFiles(kDataDir + QStringLiteral("/pages.json"), kDataDir + QStringLiteral("/catalog.json"),
                       &error))
        qFatal("Cannot load the simulator's sample data: %s", qPrintable(error));
    if (!sim.start(kLoopback, 0))
        qFatal("Cannot start the module simulator on loopback");
    setDescriptionsHost(address());
}

SimFixture::~SimFixture()
{
    sim.stop();
}

QString SimFixture::address() const
{
    return kLoopback + QLatin1Char(':') + QString::number(sim.port());
}
