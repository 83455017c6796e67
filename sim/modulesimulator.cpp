#include "sim/modulesimulator.h"

#include "core/json/jsontext.h"
#include "sim/writedecoding.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

namespace {

const char kOptionsPath[] = "/jsonoptions";
const char kCatalogPath[] = "/api/app/init.json";
const char kPageListKey[] = "0";
const char kJsonType[] = "application/json";
const char kTextType[] = "text/plain; charset=utf-8";

struct Answer
{
    int status = 200;
    QByteArray body;
    const char *contentType = kTextType;
};

Answer jsonAnswer(const QJsonObject &object)
{
    return {200, compactJson(object), kJsonType};
}

// The odd answer of a fault; key names the page for the empty-page text.
Answer faultAnswer(const ModuleSimulator::Behaviour &behaviour, const QByteArray &key)
{
    using Fault = ModuleSimulator::Fault;
    switch (behaviour.fault) {
    case Fault::PlainError404:
        return {200, ModuleSimulator::plainError404Text(), kTextType};
    case Fault::EmptyPageText:
        return {200, ModuleSimulator::emptyPageText(key), kJsonType};
    case Fault::NullPage:
        return {200, ModuleSimulator::nullPageText(), kJsonType};
    case Fault::HttpStatus:
        return {behaviour.status, {}, kTextType};
    case Fault::InvalidJson:
        return {200, ModuleSimulator::invalidJsonText(), kJsonType};
    case Fault::None:
    case Fault::Hang:
    case Fault::ChangeBetween:
        break;
    }
    return {};
}

void sendAnswer(httplib::Response &res, const Answer &answer)
{
    res.status = answer.status;
    if (!answer.body.isEmpty())
        res.set_content(answer.body.constData(), size_t(answer.body.size()), answer.contentType);
}

} // namespace

struct ModuleSimulator::State
{
    // Guards everything below but the server itself; never held while waiting for a
    // server thread.
    mutable std::mutex mutex;
    std::condition_variable wake; // stop() ends every delay and hang at once
    bool stopping = false;

    QJsonObject pages;
    QStringList pageOrder;
    QByteArray catalog = QByteArrayLiteral("{}");
    QHash<int, Behaviour> endpointBehaviours;
    QHash<QString, Behaviour> pageBehaviours; // "" applies to pages without their own
    QList<QByteArray> writes;
    QStringList requests;
    WriteListener writeListener;
    int port = 0;

    // Start and stop, serialised; handlers never take it.
    std::mutex serveMutex;
    int servingThreads = 0; // 0: the library's default
    std::unique_ptr<httplib::Server> server;
    std::thread serverThread;

    Behaviour behaviourFor(Endpoint endpoint, const QString &pageKey) const;
    // Waits out the delay and a hang; false when stop() cut the wait short.
    bool waitAsBehaved(const Behaviour &behaviour);
    void handleOptions(const httplib::Request &req, httplib::Response &res);
    void handleCatalog(httplib::Response &res);
    Answer pageListAnswer() const;
    Answer pageAnswer(const QString &key) const;
    Answer writeAnswer(const QByteArray &document, bool *applied);
    void changePage(const QString &key);
    int changes = 0;
};

ModuleSimulator::Behaviour ModuleSimulator::State::behaviourFor(Endpoint endpoint,
                                                                const QString &pageKey) const
{
    std::lock_guard<std::mutex> lock(mutex);
    if (endpoint == Endpoint::Page) {
        const auto own = pageBehaviours.constFind(pageKey);
        if (own != pageBehaviours.constEnd())
            return *own;
        return pageBehaviours.value(QString());
    }
    return endpointBehaviours.value(int(endpoint));
}

bool ModuleSimulator::State::waitAsBehaved(const Behaviour &behaviour)
{
    std::unique_lock<std::mutex> lock(mutex);
    const auto stopped = [this] {
        return stopping;
    };
    if (behaviour.delayMs > 0 && wake.wait_for(lock, std::chrono::milliseconds(behaviour.delayMs), stopped))
        return false;
    if (behaviour.fault == Fault::Hang) {
        wake.wait(lock, stopped);
        return false;
    }
    return true;
}

Answer ModuleSimulator::State::pageListAnswer() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return jsonAnswer({{QStringLiteral("select"), QJsonArray::fromStringList(pageOrder)}});
}

Answer ModuleSimulator::State::pageAnswer(const QString &key) const
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto page = pages.constFind(key);
    if (page == pages.constEnd())
        return {404, QByteArrayLiteral("Unknown page ") + key.toUtf8(), kTextType};
    return jsonAnswer({{key, *page}});
}

Answer ModuleSimulator::State::writeAnswer(const QByteArray &document, bool *applied)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!mergeWrite(&pages, document))
        return {400, QByteArrayLiteral("Not a JSON object"), kTextType};
    *applied = true;
    return {200, QByteArrayLiteral("OK"), kTextType};
}

void ModuleSimulator::State::changePage(const QString &key)
{
    std::lock_guard<std::mutex> lock(mutex);
    const auto page = pages.find(key);
    if (page == pages.end() || !page.value().isObject())
        return;
    QJsonObject options = page.value().toObject();
    ++changes;
    options.insert(QStringLiteral("between-%1").arg(changes), changes);
    page.value() = options;
}

void ModuleSimulator::State::handleOptions(const httplib::Request &req, httplib::Response &res)
{
    const QByteArray document = writeDocument(QByteArray::fromStdString(req.target));
    if (!document.isNull()) {
        WriteListener listener;
        {
            std::lock_guard<std::mutex> lock(mutex);
            writes.append(document);
            listener = writeListener;
        }
        const Behaviour behaviour = behaviourFor(Endpoint::Write, {});
        bool applied = false;
        if (!waitAsBehaved(behaviour)) {
            res.status = 503;
        } else {
            sendAnswer(res,
                       behaviour.fault == Fault::None ? writeAnswer(document, &applied)
                                                      : faultAnswer(behaviour, {}));
        }
        if (listener)
            listener(document, applied);
        return;
    }

    if (!req.has_param("select")) {
        sendAnswer(res, {400, QByteArrayLiteral("Expected select=KEY or write=DOCUMENT"), kTextType});
        return;
    }
    const QByteArray key = QByteArray::fromStdString(req.get_param_value("select"));
    const bool pageList = key == kPageListKey;
    const QString pageKey = QString::fromUtf8(key);
    const Behaviour behaviour = behaviourFor(pageList ? Endpoint::PageList : Endpoint::Page, pageKey);
    if (!waitAsBehaved(behaviour)) {
        res.status = 503;
        return;
    }
    if (behaviour.fault == Fault::ChangeBetween && !pageList) {
        sendAnswer(res, pageAnswer(pageKey));
        changePage(pageKey);
    } else if (behaviour.fault != Fault::None) {
        sendAnswer(res, faultAnswer(behaviour, key));
    } else {
        sendAnswer(res, pageList ? pageListAnswer() : pageAnswer(pageKey));
    }
}

void ModuleSimulator::State::handleCatalog(httplib::Response &res)
{
    const Behaviour behaviour = behaviourFor(Endpoint::Catalog, {});
    if (!waitAsBehaved(behaviour)) {
        res.status = 503;
        return;
    }
    if (behaviour.fault != Fault::None) {
        sendAnswer(res, faultAnswer(behaviour, {}));
        return;
    }
    std::lock_guard<std::mutex> lock(mutex);
    sendAnswer(res, {200, catalog, kJsonType});
}

ModuleSimulator::ModuleSimulator()
    : d(std::make_unique<State>())
{ }

ModuleSimulator::~ModuleSimulator()
{
    stop();
}

void ModuleSimulator::setPages(const QJsonObject &pages, const QStringList &pageOrder)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->pages = pages;
    d->pageOrder = pageOrder.isEmpty() ? pages.keys() : pageOrder;
}

QJsonObject ModuleSimulator::pages() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->pages;
}

void ModuleSimulator::setCatalog(const QByteArray &catalogBody)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->catalog = catalogBody;
}

namespace {

bool readJsonObject(const QString &fileName, QByteArray *text, QJsonObject *object, QString *error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot read %1: %2").arg(fileName, file.errorString());
        return false;
    }
    *text = file.readAll();
    // Read exactly, as the configurator reads a module; the toolkit's reading names the fault.
    if (parseJsonObject(*text, object))
        return true;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(*text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        *error = QStringLiteral("%1 is not valid JSON (offset %2): %3")
                     .arg(fileName, QString::number(parseError.offset), parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        *error = QStringLiteral("%1 does not hold a JSON object").arg(fileName);
        return false;
    }
    *object = document.object();
    return true;
}

} // namespace

// The pages file: {"order": [page keys as listed], "pages": {KEY: {options}}}. Pages left
// out of "order" are served but not listed (the configurator lists "promode" by itself);
// without "order" every page is listed in key order.
bool ModuleSimulator::loadFiles(const QString &pagesFile, const QString &catalogFile, QString *error)
{
    QString message;
    QByteArray pagesText, catalogText;
    QJsonObject pagesRoot, catalogRoot;
    if (!readJsonObject(pagesFile, &pagesText, &pagesRoot, &message)
        || !readJsonObject(catalogFile, &catalogText, &catalogRoot, &message)) {
        if (error)
            *error = message;
        return false;
    }
    const QJsonValue pagesValue = pagesRoot.value(QLatin1String("pages"));
    const QJsonValue orderValue = pagesRoot.value(QLatin1String("order"));
    if (!pagesValue.isObject() || !(orderValue.isUndefined() || orderValue.isArray())) {
        if (error)
            *error = QStringLiteral("%1 must hold {\"order\": [keys], \"pages\": {KEY: {options}}}")
                         .arg(pagesFile);
        return false;
    }
    QStringList order;
    const QJsonArray keys = orderValue.toArray();
    for (const QJsonValue key : keys)
        order.append(key.toString());
    setPages(pagesValue.toObject(), order);
    setCatalog(catalogText);
    return true;
}

void ModuleSimulator::setBehaviour(Endpoint endpoint, const Behaviour &behaviour, const QString &pageKey)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    if (endpoint == Endpoint::Page)
        d->pageBehaviours.insert(pageKey, behaviour);
    else
        d->endpointBehaviours.insert(int(endpoint), behaviour);
}

void ModuleSimulator::clearBehaviours()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->endpointBehaviours.clear();
    d->pageBehaviours.clear();
}

bool ModuleSimulator::start(const QString &address, int port)
{
    std::lock_guard<std::mutex> serving(d->serveMutex);
    if (d->server)
        return false;

    auto server = std::make_unique<httplib::Server>();
    // Quick restarts on the same port, but never a second listener on a taken port (the
    // library's default shares the port).
    server->set_socket_options([](socket_t sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    // One request per connection, as small firmware does; no idle connection then holds
    // up stop().
    server->set_keep_alive_max_count(1);
    State *state = d.get();
    if (d->servingThreads > 0) {
        const auto threads = size_t(d->servingThreads);
        server->new_task_queue = [threads] {
            return new httplib::ThreadPool(threads);
        };
    }
    server->set_pre_routing_handler([state](const httplib::Request &req, httplib::Response &) {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->requests.append(QString::fromStdString(req.target));
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server->Get(kOptionsPath, [state](const httplib::Request &req, httplib::Response &res) {
        state->handleOptions(req, res);
    });
    server->Get(kCatalogPath,
                [state](const httplib::Request &, httplib::Response &res) { state->handleCatalog(res); });

    const std::string host = address.toStdString();
    int boundPort = port;
    if (port == 0)
        boundPort = server->bind_to_any_port(host);
    else if (!server->bind_to_port(host, port))
        boundPort = -1;
    if (boundPort <= 0)
        return false;

    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = false;
        d->port = boundPort;
    }
    httplib::Server *raw = server.get();
    d->server = std::move(server);
    auto listening = std::make_shared<std::atomic<bool>>(true);
    d->serverThread = std::thread([raw, listening] {
        raw->listen_after_bind();
        *listening = false;
    });
    // The server only honours stop() once its accept loop runs.
    while (*listening && !raw->is_running())
        std::this_thread::yield();
    return true;
}

void ModuleSimulator::setServingThreads(int count)
{
    std::lock_guard<std::mutex> serving(d->serveMutex);
    d->servingThreads = count;
}

int ModuleSimulator::port() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->port;
}

void ModuleSimulator::stop()
{
    std::lock_guard<std::mutex> serving(d->serveMutex);
    if (!d->server)
        return;
    {
        std::lock_guard<std::mutex> lock(d->mutex);
        d->stopping = true;
    }
    d->wake.notify_all();
    d->server->stop();
    d->serverThread.join();
    d->server.reset();
}

QList<QByteArray> ModuleSimulator::writes() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->writes;
}

QStringList ModuleSimulator::requests() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests;
}

void ModuleSimulator::setWriteListener(WriteListener listener)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->writeListener = std::move(listener);
}

QByteArray ModuleSimulator::emptyPageText(const QByteArray &pageKey)
{
    return QByteArrayLiteral("{\"") + pageKey + QByteArrayLiteral("\":}}");
}

QByteArray ModuleSimulator::nullPageText()
{
    return QByteArrayLiteral("{\"null\"}");
}

QByteArray ModuleSimulator::plainError404Text()
{
    return QByteArrayLiteral("Error 404");
}

QByteArray ModuleSimulator::invalidJsonText()
{
    return QByteArrayLiteral("{\"select\": [\"1\", \"2\"");
}
