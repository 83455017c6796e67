#include "core/device/moduleclient.h"

#include "core/device/modulereplies.h"
#include "core/device/modulerequests.h"
#include "core/json/jsontext.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace {

// A short pause before a failed read goes out again, so that a module that has just dropped
// a connection gets a moment to take the next one.
constexpr int kRetryPauseMs = 200;
const QByteArray kGetVerb = QByteArrayLiteral("GET");
constexpr int kNotFound = 404;

// The empty body of a write. Qt's HTTP layer sends a request again on its own when the
// connection closes before the answer begins (up to three times), and a write is a GET. It
// rewinds the request's body before each such resend; this body refuses, so the reply
// fails with ContentReSendError instead and the module sees the write once.
class UnrepeatableBody : public QIODevice
{
public:
    UnrepeatableBody() { open(QIODevice::ReadOnly); }
    bool reset() override { return false; }
    qint64 size() const override { return 0; }

protected:
    qint64 readData(char *, qint64) override { return 0; }
    qint64 writeData(const char *, qint64) override { return -1; }
};

bool isHttpSuccess(int status)
{
    return status >= 200 && status < 300;
}

QStringList eachOnce(const QStringList &keys)
{
    QStringList unique;
    for (const QString &key : keys) {
        if (!unique.contains(key))
            unique.append(key);
    }
    return unique;
}

} // namespace

ModuleClient::ModuleClient(const QString &address, const ClientSettings &settings, QObject *parent)
    : QObject(parent)
    , moduleAddress(address)
    , settings(settings)
{
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &ModuleClient::timedOut);
}

ModuleClient::~ModuleClient()
{
    cancel();
}

void ModuleClient::cancel()
{
    queue.clear();
    deadline.stop();
    abortReply(&inFlight);
    releaseWriter();
}

void ModuleClient::releaseWriter()
{
    if (writer)
        writer->deleteLater();
    writer = nullptr;
}

void ModuleClient::readPageList(Done done)
{
    enqueue({Kind::PageList, {}, {}, std::move(done)});
}

void ModuleClient::readPage(const QString &pageKey, Done done)
{
    enqueue({Kind::Page, pageKey, {}, std::move(done)});
}

void ModuleClient::writePage(const QString &pageKey, const QJsonObject &document, Done done)
{
    enqueue({Kind::Write, pageKey, compactJson(document), std::move(done)});
}

void ModuleClient::enqueue(Request request)
{
    queue.push_back(std::move(request));
    sendNext();
}

void ModuleClient::sendNext()
{
    if (inFlight || queue.empty())
        return;
    const Request &request = queue.front();
    switch (request.kind) {
    case Kind::PageList:
        inFlight = network.get(moduleRequest(pageListUrl(moduleAddress), settings.timeoutMs));
        break;
    case Kind::Page:
        inFlight = network.get(moduleRequest(pageUrl(moduleAddress, request.pageKey), settings.timeoutMs));
        break;
    case Kind::Write: {
        // A manager of its own holds no idle connection to the module, which the module may
        // be closing just as the write goes out: the write always opens a fresh one.
        writer = new QNetworkAccessManager(this);
        QNetworkRequest httpRequest
            = moduleRequest(writeUrl(moduleAddress, request.document), settings.timeoutMs);
        httpRequest.setHeader(QNetworkRequest::ContentLengthHeader, 0);
        auto *body = new UnrepeatableBody;
        inFlight = writer->sendCustomRequest(httpRequest, kGetVerb, body);
        body->setParent(inFlight);
        break;
    }
    }
    QNetworkReply *reply = inFlight;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finished(reply); });
    deadline.start(settings.timeoutMs);
}

QString ModuleClient::subject(const Request &request) const
{
    switch (request.kind) {
    case Kind::PageList:
        return QStringLiteral("page list");
    case Kind::Page:
        return QStringLiteral("page \"%1\"").arg(request.pageKey);
    case Kind::Write:
        return QStringLiteral("write of page \"%1\"").arg(request.pageKey);
    }
    return {};
}

QString ModuleClient::noAnswerText(const Request &request) const
{
    QString text = QStringLiteral("%1: no answer within %2 s")
                       .arg(subject(request), QString::number(settings.timeoutMs / 1000.0));
    // Told when it was asked more than once: the time it cost is that many times as long.
    if (request.attempt > 0)
        text += QStringLiteral(", asked %1 times").arg(request.attempt + 1);
    if (request.kind == Kind::Write)
        text += QStringLiteral(" (the module may or may not have taken the write)");
    return text;
}

void ModuleClient::finished(QNetworkReply *reply)
{
    deadline.stop();
    const Request &request = queue.front();
    const ReplyOutcome outcome = finishReply(reply, &inFlight);
    releaseWriter();
    if (outcome.kind != ReplyOutcome::Answered && settings.logFailure)
        settings.logFailure(failureLine(outcome));
    answered
        = answered || outcome.kind == ReplyOutcome::Answered || outcome.kind == ReplyOutcome::ErrorStatus;
    ClientResult result;
    bool mayRetry = request.kind != Kind::Write && (answered || settings.retryBeforeFirstAnswer);
    switch (outcome.kind) {
    case ReplyOutcome::Answered:
        if (isHttpSuccess(outcome.httpStatus)) {
            result = interpret(request, outcome.body, &mayRetry);
            break;
        }
        [[fallthrough]];
    case ReplyOutcome::ErrorStatus:
        result.error = QStringLiteral("%1: the module answered with HTTP status %2")
                           .arg(subject(request), QString::number(outcome.httpStatus));
        break;
    case ReplyOutcome::NotResent:
        result.error = QStringLiteral("%1: the connection closed before an answer; the write is not sent "
                                      "again (the module may or may not have taken it)")
                           .arg(subject(request));
        break;
    case ReplyOutcome::NoAnswer:
        result.error = noAnswerText(request);
        break;
    case ReplyOutcome::NetworkError:
        result.error = QStringLiteral("%1: %2").arg(subject(request), outcome.reason);
        break;
    }
    // A status the module chose is its answer; asking again gives the same one.
    if (outcome.httpStatus >= 300 && outcome.httpStatus < 500)
        mayRetry = false;
    if (request.kind == Kind::Page && request.pageKey == kServicePageKey && outcome.httpStatus == kNotFound)
        result.noSuchPage = true;
    conclude(result, mayRetry);
}

void ModuleClient::timedOut()
{
    abortReply(&inFlight);
    releaseWriter();
    const Request &request = queue.front();
    ClientResult result;
    result.error = noAnswerText(request);
    conclude(result, request.kind != Kind::Write && (answered || settings.retryBeforeFirstAnswer));
}

void ModuleClient::conclude(const ClientResult &result, bool mayRetry)
{
    Request &request = queue.front();
    if (!result.ok && mayRetry && request.attempt < settings.retries) {
        ++request.attempt;
        QTimer::singleShot(kRetryPauseMs, this, &ModuleClient::sendNext);
        return;
    }
    const Done done = std::move(request.done);
    queue.pop_front();
    done(result);
    sendNext();
}

ClientResult ModuleClient::interpret(const Request &request, const QByteArray &body, bool *mayRetry) const
{
    ClientResult result;
    switch (request.kind) {
    case Kind::PageList: {
        const PageListReply reply = readPageListReply(body);
        result.ok = reply.kind == PageListReply::Pages;
        result.pageKeys = eachOnce(reply.keys);
        if (reply.kind == PageListReply::NoApiOptions) {
            result.error
                = QStringLiteral("the module has no JSON options interface (it answers \"Error 404\")");
            *mayRetry = false;
        } else if (reply.kind == PageListReply::Unrecognised) {
            result.error = QStringLiteral("page list: the answer is not a page list");
        }
        break;
    }
    case Kind::Page: {
        const PageReply reply = readPageReply(body, request.pageKey);
        result.ok = reply.kind == PageReply::Page || reply.kind == PageReply::EmptyPage;
        // The module's texts for a page without options stand for a page object that is empty.
        result.page = reply.kind == PageReply::EmptyPage ? QJsonObject{{request.pageKey, QJsonObject()}}
                                                         : reply.values;
        if (reply.kind == PageReply::EmptyBody) {
            result.error = QStringLiteral("%1: the answer is empty").arg(subject(request));
            result.noSuchPage = request.pageKey == kServicePageKey;
            *mayRetry = !result.noSuchPage;
        } else if (reply.kind == PageReply::ParserError)
            result.error = QStringLiteral("%1: the answer is not a JSON object").arg(subject(request));
        break;
    }
    case Kind::Write:
        // The module's answer to a write says nothing: reading the page back does.
        result.ok = true;
        break;
    }
    return result;
}
