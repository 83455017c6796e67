#pragma once

#include "core/device/modulerequests.h"
#include "core/device/pagewrite.h"
#include "window/device/roweditors.h"

#include <QJsonObject>
#include <QList>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QString>
#include <QStringList>
#include <QUdpSocket>
#include <QVector>

#include <memory>

class ModuleClient;
class QCloseEvent;
class QComboBox;
class QLineEdit;
class TableEditorGuard;
class QGridLayout;
class QListWidget;
class QListWidgetItem;
class QNetworkReply;
class QPushButton;
class QTableWidget;
class QUrl;

// The configurator's one window. Each subsystem adds its member functions in its own
// folder: modules/ (module list, discovery, modules editor), device/ (page list, page,
// option table, value editor, saving) and descriptions/ (the descriptions catalog).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

signals:
    // At the end of every save attempt, whatever its end: confirmed when the module was written
    // and read back holding what was written.
    void saveFinished(bool confirmed);

private slots:
    void prinpageInt(int);
    void prinpage(QListWidgetItem *item, QListWidgetItem *pre);
    void saveopt();
    void recvdataudp();
    void config();
    void quit();
    void about();
    void finisdescription(QNetworkReply *reply);
    void loaddescription();
    void modulesedit();
    void prinpages(int i);
    void clicktable(int i, int x);
    void reloadpage();

protected:
    // Closing the window asks first when the page holds edits, as quitting does.
    void closeEvent(QCloseEvent *event) override;

private:
    // Non-owning pointers to the widgets of the window; the widgets belong to the window.
    struct Ui
    {
        QWidget *centralWidget = nullptr;
        QGridLayout *gridLayout = nullptr;
        QTableWidget *tableWidget = nullptr;
        QListWidget *listWidget = nullptr;
        QPushButton *pushButton = nullptr;
        QComboBox *comboBox = nullptr;
        QLineEdit *filterEdit = nullptr; // finds options: hides the rows that don't match
    };

    void setupUi();
    void setupMenus();
    void setupTable();
    // Sends a GET for url through manager, tracked by *tracked, and hands the reply to finish
    // when it has finished.
    void sendRequest(QNetworkAccessManager &manager, const QUrl &url, QNetworkReply **tracked,
                     void (MainWindow::*finish)(QNetworkReply *));
    // Handles a finished reply as finishReply() does; a failure is logged as a warning with
    // the URL and the reason.
    static ReplyOutcome finishRequest(QNetworkReply *reply, QNetworkReply **tracked);

    // modules/
    void loadmodules();
    void savemodules() const;
    void fillmodules();
    void bindudp();

    // descriptions/
    void readdescription();

    // device/
    // Forgets the selected module's pages and page: the selector shows no module any more.
    void forgetmodule();
    void requestpage();
    // Before a step that drops the page's edits: asks what becomes of them, and true when the
    // step may go on (edits discarded, or saved and confirmed). False while another step is
    // asking, so that steps never interleave.
    bool settleedits();
    bool saveconfirmed();
    void finisprinpages(QNetworkReply *reply);
    void finispage(QNetworkReply *reply);
    // saving: the changed rows, the safe sequence started with them, and its end.
    QList<Difference> pagechanges();
    void startsave(const QString &address, const PageSave &save);
    void finissaveopt(const QString &address, const PageSave &save, const PageWriteOutcome &outcome);
    void showsaveerror(const QString &address, const QString &key, const QString &text,
                       const QStringList &details);
    void clearpage();
    // Shows a page reply in the table, ready to edit and save when its options are an object.
    void showpage(const QJsonObject &values);
    void filltable(const QJsonObject &options);
    // Shows only the rows that match the filter field.
    void filtertable();
    // Marks a row changed, invalid or unchanged from its editor against the page.
    void markrow(int row);
    void markrows();
    // Whether the page on screen holds edits that a save would write, or try to.
    bool pageedited() const;
    // False, after a warning that names them, while number fields hold no number.
    bool numbersentered();

    QNetworkReply *pageReply = nullptr;
    QNetworkReply *pagesReply = nullptr;
    // The client of the saves to the module last saved to: kept between saves, so that its
    // connection to the module is too. A save is under way from Save pressed to its last box.
    ModuleClient *saveClient = nullptr;
    bool saving = false;
    QNetworkReply *descriptionReply = nullptr;
    std::unique_ptr<Ui> ui;
    QNetworkAccessManager networkManager;
    QNetworkAccessManager pagesNetworkManager;
    QList<int> rowTypes;
    QStringList rowKeys;
    QString moduleAddress;
    QString pageKey;
    QJsonObject pageValues;
    QJsonObject descriptions;
    QUdpSocket udpSocket;
    QStringList modules;
    // True while the table shows the page named by pageKey, filled from a reply of the
    // module named by moduleAddress: the only state in which saving is allowed.
    bool pageShown = false;
    // Beside rowTypes and rowKeys, one entry per table row: the editor the fill made, and the
    // keys of the option or member the row was built from.
    QVector<RowEditor> rowEditors;
    QVector<RowPlace> rowPlaces;
    // The rows a save in flight counts as saved, with what the page held for them before: put
    // back when the module did not take the write, so that those edits are still unsaved.
    QVector<QPair<int, EditorState>> rowsBeforeSave;
    TableEditorGuard *tableGuard = nullptr; // belongs to the table
    // The selector entry whose pages are listed; 0 for none.
    int moduleIndex = 0;
    bool settlingEdits = false;
    // How long each request the window sends may go without any data before it fails.
    int requestTimeoutMs = kModuleTransferTimeoutMs;

    friend struct MainWindowProbe;
};
