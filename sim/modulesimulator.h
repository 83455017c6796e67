#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

// A simulated firmware module: serves the JSON options interface and the descriptions
// catalog over HTTP on its own threads, so that a Qt event loop on the calling thread can
// talk to it. Thread-safe: every public function may be called while it serves.
class ModuleSimulator
{
public:
    // How the simulator answers one kind of request, to act like broken or odd firmware.
    enum class Fault {
        None, // the normal answer
        PlainError404, // the plain text "Error 404" with status 200
        EmptyPageText, // {"KEY":}} for the requested page KEY, status 200
        NullPage, // the text {"null"}, status 200
        HttpStatus, // an empty body with Behaviour::status
        InvalidJson, // a body that is not JSON, status 200
        Hang, // accepts the request and never answers (until stop())
        // A page: answered, then changed as if another writer had written it before the
        // reader could write: an option "between-N" is added, N counting the changes.
        ChangeBetween,
    };
    struct Behaviour
    {
        Fault fault = Fault::None;
        int status = 500; // for Fault::HttpStatus
        int delayMs = 0; // answer only after this delay (any fault, or none)
    };
    enum class Endpoint { PageList, Page, Write, Catalog };

    ModuleSimulator();
    ~ModuleSimulator();
    ModuleSimulator(const ModuleSimulator &) = delete;
    ModuleSimulator &operator=(const ModuleSimulator &) = delete;

    // State. pages: page key -> options object; the page list lists the keys in the
    // order given by pageOrder (defaults to the keys of pages, in their JSON order).
    void setPages(const QJsonObject &pages, const QStringList &pageOrder = {});
    QJsonObject pages() const;
    void setCatalog(const QByteArray &catalogBody);
    // Loads pages and catalog from JSON files; false with a message in *error on failure.
    bool loadFiles(const QString &pagesFile, const QString &catalogFile, QString *error);

    // Behaviour per endpoint; for Endpoint::Page, an empty key applies to every page
    // without a behaviour of its own.
    void setBehaviour(Endpoint endpoint, const Behaviour &behaviour, const QString &pageKey = {});
    void clearBehaviours();

    // Serving. port 0 picks a free port. Returns false when the address cannot be bound.
    bool start(const QString &address, int port);
    // Threads that answer requests, from the next start() on; 0 (the default) leaves the
    // HTTP library's own number, at least eight. A request that hangs or waits holds one.
    void setServingThreads(int count);
    int port() const;
    void stop(); // also releases every hanging request

    // Every write received, as the document text after percent-decoding, in order.
    QList<QByteArray> writes() const;
    // Every request target received (path and raw query), in order.
    QStringList requests() const;

    // Told of every write once it is handled: the document as in writes(), and whether it
    // was merged into the pages. Called on a server thread, with no lock held.
    using WriteListener = std::function<void(const QByteArray &document, bool applied)>;
    void setWriteListener(WriteListener listener);

    // Texts of the odd answers, for callers that check what arrived.
    static QByteArray emptyPageText(const QByteArray &pageKey); // {"KEY":}}
    static QByteArray nullPageText(); // {"null"}
    static QByteArray plainError404Text(); // Error 404
    static QByteArray invalidJsonText();

private:
    struct State;
    std::unique_ptr<State> d;
};
