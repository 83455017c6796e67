// The module list as it comes from outside: the options.ini value, the modules editor's
// text, a hand-edited options.ini file, and the UDP datagrams of announcing modules.

#include "fuzzsupport.h"

#include "core/device/modulerequests.h"
#include "core/modules/announcements.h"
#include "core/modules/moduleaddress.h"
#include "core/modules/moduleentry.h"
#include "support/mainwindowprobe.h"

#include <QFile>

namespace {

const QString kSettingsFile = QStringLiteral("options.ini");

void checkTextForms(const QString &text)
{
    // Stored value and editor text: splitting and joining again gives back the text, so a
    // list survives being shown and stored unchanged.
    const QStringList stored = splitModuleList(text);
    FUZZ_CHECK(!stored.isEmpty());
    FUZZ_CHECK(joinModuleList(stored) == text);
    const QStringList edited = modulesFromEditorText(text);
    FUZZ_CHECK(!edited.isEmpty());
    FUZZ_CHECK(modulesEditorText(edited) == text);

    for (const QString &entry : stored) {
        const ModuleEntry module = splitModuleEntry(entry);
        // The address is what requests go to: it is the entry itself or a prefix of it.
        FUZZ_CHECK(entry.startsWith(module.address));
        // Whatever it holds, the requests can be built: to the module when it is an address,
        // to nowhere (the empty URL) when it is none.
        const bool valid = parseModuleAddress(module.address).isValid();
        FUZZ_CHECK(pageListUrl(module.address).isValid() == valid);
        FUZZ_CHECK(pageUrl(module.address, module.label).isEmpty() != valid);
    }
}

void checkDatagram(const QByteArray &datagram)
{
    // The window reads only the first two bytes of a datagram.
    const bool announcement = isAnnouncement(datagram);
    FUZZ_CHECK(announcement == isAnnouncement(datagram.left(2)));
    FUZZ_CHECK(!announcement || (datagram.size() >= 2 && datagram.at(0) == 'U'));
}

// A hand-edited options.ini: whatever the start-up load makes of it, storing that list
// and loading it again gives the same list back, so nothing is lost at the next exit.
void checkSettingsFile(const QByteArray &content)
{
    MainWindowProbe probe(fuzz::window());
    {
        QFile file(kSettingsFile);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(content) == content.size());
    }
    probe.loadmodules();
    const QStringList loaded = probe.modules();
    probe.savemodules();
    probe.loadmodules();
    const QStringList reloaded = probe.modules();
    if (reloaded != loaded) {
        std::fprintf(stderr, "loaded:   %s\nreloaded: %s\n", qPrintable(loaded.join(QLatin1Char('|'))),
                     qPrintable(reloaded.join(QLatin1Char('|'))));
    }
    FUZZ_CHECK(reloaded == loaded);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::startWindow(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    checkTextForms(QString::fromUtf8(input));
    checkDatagram(input);
    checkSettingsFile(input);
    return 0;
}
