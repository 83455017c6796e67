// quillnet-bench-fetch: the least a fleet backup needs from the network, as the fleet case's
// baseline. Fetches the page list and then each page of every module in a targets file with
// one bare QNetworkAccessManager: one request at a time per module, JOBS modules at once.
// Only the page list is parsed (it names the pages to fetch, the service page besides);
// nothing is written.
//
//   quillnet-bench-fetch TARGETS_FILE JOBS
//
// Prints {"modules": N, "pages": P, "bytes": B, "failed": F} on one line; exits 1 when a
// request failed.

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringList>
#include <QUrl>

#include <cstdio>
#include <functional>

namespace {

const QString kPageListKey = QStringLiteral("0");
// Every module has this page, whether or not its page list names it.
const QString kServicePageKey = QStringLiteral("promode");

QUrl pageUrl(const QString &address, const QString &key)
{
    QUrl url(QStringLiteral("http://%1/jsonoptions").arg(address));
    url.setQuery(QStringLiteral("select=") + QString::fromLatin1(QUrl::toPercentEncoding(key)));
    return url;
}

class FleetFetch
{
public:
    FleetFetch(const QStringList &modules, int jobs)
        : modules(modules)
        , jobs(jobs)
    { }

    void start()
    {
        while (running < jobs && next < modules.size())
            startModule(modules.at(next++));
        if (running == 0)
            QCoreApplication::quit();
    }

    int pages = 0;
    qint64 bytes = 0;
    int failed = 0;

private:
    using Body = std::function<void(const QByteArray &)>;

    void startModule(const QString &address)
    {
        ++running;
        get(address, kPageListKey, [this, address](const QByteArray &body) {
            QStringList keys;
            const QJsonArray list
                = QJsonDocument::fromJson(body).object().value(QStringLiteral("select")).toArray();
            for (const QJsonValue &key : list)
                keys.append(key.toString());
            if (!keys.contains(kServicePageKey))
                keys.append(kServicePageKey);
            fetchPages(address, keys, 0);
        });
    }

    void fetchPages(const QString &address, const QStringList &keys, int index)
    {
        if (index == keys.size())
            return moduleDone();
        get(address, keys.at(index), [this, address, keys, index](const QByteArray &) {
            ++pages;
            fetchPages(address, keys, index + 1);
        });
    }

    void moduleDone()
    {
        --running;
        start();
    }

    void get(const QString &address, const QString &key, const Body &then)
    {
        QNetworkReply *reply = network.get(QNetworkRequest(pageUrl(address, key)));
        QObject::connect(reply, &QNetworkReply::finished, [this, reply, then] {
            reply->deleteLater();
            const QByteArray body = reply->readAll();
            if (reply->error() != QNetworkReply::NoError || body.isEmpty()) {
                ++failed;
                std::fprintf(stderr, "quillnet-bench-fetch: %s: %s\n", qPrintable(reply->url().toString()),
                             qPrintable(reply->errorString()));
                return moduleDone();
            }
            bytes += body.size();
            then(body);
        });
    }

    QNetworkAccessManager network;
    QStringList modules;
    int jobs;
    int next = 0;
    int running = 0;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QFile targets(args.value(1));
    const int jobs = args.value(2).toInt();
    if (args.size() != 3 || jobs < 1 || !targets.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: quillnet-bench-fetch TARGETS_FILE JOBS\n");
        return 2;
    }
    const QStringList modules
        = QString::fromUtf8(targets.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    FleetFetch fetch(modules, jobs);
    fetch.start();
    if (!modules.isEmpty())
        app.exec();
    const QJsonObject figures{{QStringLiteral("modules"), modules.size()},
                              {QStringLiteral("pages"), fetch.pages},
                              {QStringLiteral("bytes"), double(fetch.bytes)},
                              {QStringLiteral("failed"), fetch.failed}};
    std::printf("%s\n", QJsonDocument(figures).toJson(QJsonDocument::Compact).constData());
    return fetch.failed == 0 ? 0 : 1;
}
