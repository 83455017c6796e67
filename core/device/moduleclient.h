#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

class QNetworkReply;

// How long a request may take and how often a failed read is tried again.
struct ClientSettings
{
    int timeoutMs = 5000;
    int retries = 2; // reads only: a write is never repeated
    // Whether a read that got no answer at all (none in time, or no connection) is tried again
    // while the module has not answered anything yet. Off, a module that is not there costs
    // one timeout instead of one per try; once it has answered, a stumble gets its retries.
    bool retryBeforeFirstAnswer = false;
    // Told of every request that fails, in one line with its URL and the reason: detail the
    // results put in their own words. Optional.
    std::function<void(const QString &line)> logFailure;
};

// The answer to one request: ok, or why not.
struct ClientResult
{
    bool ok = false;
    // Why not, in one line of English for the command line, naming the request: "page \"3\":
    // no answer within 5 s".
    QString error;
    QStringList pageKeys; // a page list: the keys in the module's order, each once
    QJsonObject page; // a page: the whole object the module answered
    // The service page, which every page list names, answered with HTTP 404 or an empty body:
    // the module has no such page, which is no failure to read one.
    bool noSuchPage = false;
};

// Talks to one module: requests wait in a queue and go out one at a time, so the module
// never has more than one request of ours to answer. Failed reads are tried again; a write
// goes out once, and the HTTP layer is kept from sending it again on its own.
class ModuleClient : public QObject
{
    Q_OBJECT

public:
    using Done = std::function<void(const ClientResult &)>;

    ModuleClient(const QString &address, const ClientSettings &settings, QObject *parent = nullptr);
    ~ModuleClient() override;

    QString address() const { return moduleAddress; }
    int timeoutMs() const { return settings.timeoutMs; }
    // Whether the module has answered any request yet, with any HTTP status.
    bool hasAnswered() const { return answered; }

    void readPageList(Done done);
    void readPage(const QString &pageKey, Done done);
    // Writes the whole page document (the page reply with the edited options in place).
    void writePage(const QString &pageKey, const QJsonObject &document, Done done);
    // Drops every request not yet answered; their callbacks are not called.
    void cancel();

private:
    enum class Kind { PageList, Page, Write };
    struct Request
    {
        Kind kind;
        QString pageKey;
        QByteArray document;
        Done done;
        int attempt = 0;
    };

    void enqueue(Request request);
    void sendNext();
    void finished(QNetworkReply *reply);
    void timedOut();
    void releaseWriter();
    void conclude(const ClientResult &result, bool mayRetry);
    ClientResult interpret(const Request &request, const QByteArray &body, bool *mayRetry) const;
    QString subject(const Request &request) const;
    QString noAnswerText(const Request &request) const;

    // A manager of the client's own: its connections to the module go when the client goes,
    // so a fleet leaves no idle connection behind each module done with.
    QNetworkAccessManager network;
    QString moduleAddress;
    ClientSettings settings;
    std::deque<Request> queue;
    QNetworkReply *inFlight = nullptr;
    QNetworkAccessManager *writer = nullptr; // a fresh one per write, with no idle connection
    QTimer deadline;
    bool answered = false; // the module has answered a request, with any HTTP status
};
