#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

class MainWindow;

// A broken promise of the code under test: libFuzzer keeps the input that led here.
#define FUZZ_CHECK(condition)                                                                                \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);         \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (false)

namespace fuzz {

inline QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), int(size));
}

// Every member of the object and of the objects within it can be found by its key again.
void checkLookups(const QJsonObject &object);

// The shipped sample module: its pages object (page key -> options) and its catalog.
QJsonObject samplePages();
QJsonObject sampleCatalog();
QByteArray sampleCatalogText();

// One configurator window for the whole run, on the offscreen platform, working in a
// temporary folder of its own that holds the sample catalog as description.json (so the
// window starts without a download). Call from LLVMFuzzerInitialize.
void startWindow(int *argc, char ***argv);
MainWindow &window();

} // namespace fuzz
