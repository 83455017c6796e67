// quillnet-bench-fetch: the least a fleet backup needs from the network, as the fleet case's
// baseline. Fetches the page list and then each page of every module in a targets file with
// one bare QNetworkAccessManager: one request at a time per module, JOBS modules at once.
// Only the page list is parsed (it names the pages to fetch, the service page besides);
// nothing is written.
//
//   quillnet-bench-fetch TARGETS_FILE JOBS
//
//   quillnet-bench-fetch TARGETS_FILE JOBS PAGE
//
// With a PAGE, the least a safe write of that page needs instead: the page, the page written
// back as it came, and the page again, one after the other for each module.
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

QUrl moduleUrl(const QString &address, const QString &query, const QByteArray &value)
{
    QUrl url(QStringLiteral("http://%1/jsonoptions").arg(address));
    url.setQuery(query + QString::fromLatin1(QUrl::toPercentEncoding(QString::fromUtf8(value))));
    return url;
}

QUrl pageUrl(const QString &address, const QString &key)
{
    return moduleUrl(address, QStringLiteral("select="), key.toUtf8());
}

class FleetFetch
{
public:
    FleetFetch(const QStringList &modules, int jobs, const QString &writtenPage)
        : modules(modules)
        , jobs(jobs)
        , writtenPage(writtenPage)
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
        if (!writtenPage.isEmpty())
            return writeModule(address);
        get(pageUrl(address, kPageListKey), [this, address](const QByteArray &body) {
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
        get(pageUrl(address, keys.at(index)), [this, address, keys, index](const QByteArray &) {
            ++pages;
            fetchPages(address, keys, index + 1);
        });
    }

    void writeModule(const QString &address)
    {
        get(pageUrl(address, writtenPage), [this, address](const QByteArray &page) {
            const QByteArray document = QJsonDocument::fromJson(page).toJson(QJsonDocument::Compact);
            get(moduleUrl(address, QStringLiteral("write="), document), [this, address](const QByteArray &) {
                get(pageUrl(address, writtenPage), [this](const QByteArray &) {
                    pages += 2;
                    moduleDone();
                });
            });
        });
    }

    void moduleDone()
    {
        --running;
        start();
    }

    void get(const QUrl &url, const Body &then)
    {
        QNetworkReply *reply = network.get(QNetworkRequest(url));
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
    QString writtenPage;
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
    if (args.size() < 3 || args.size() > 4 || jobs < 1 || !targets.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "usage: quillnet-bench-fetch TARGETS_FILE JOBS [PAGE]\n");
        return 2;
    }
    const QStringList modules
        = QString::fromUtf8(targets.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    FleetFetch fetch(modules, jobs, args.value(3));
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
