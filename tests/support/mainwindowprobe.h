#pragma once

#include "window/app/mainwindow.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>

// The tests' view of the window's private state and private functions.
struct MainWindowProbe
{
    explicit MainWindowProbe(MainWindow &window)
        : w(window)
    { }

    QComboBox *comboBox() const { return w.findChild<QComboBox *>(QStringLiteral("comboBox")); }
    QListWidget *listWidget() const { return w.findChild<QListWidget *>(QStringLiteral("listWidget")); }
    QTableWidget *tableWidget() const { return w.findChild<QTableWidget *>(QStringLiteral("tableWidget")); }
    QPushButton *pushButton() const { return w.findChild<QPushButton *>(QStringLiteral("pushButton")); }

    QStringList &modules() const { return w.modules; }
    QList<int> &rowTypes() const { return w.rowTypes; }
    QStringList &rowKeys() const { return w.rowKeys; }
    QVector<RowEditor> &rowEditors() const { return w.rowEditors; }
    QVector<RowPlace> &rowPlaces() const { return w.rowPlaces; }
    QString &moduleAddress() const { return w.moduleAddress; }
    QString &pageKey() const { return w.pageKey; }
    QJsonObject &pageValues() const { return w.pageValues; }
    QJsonObject &descriptions() const { return w.descriptions; }
    bool pageShown() const { return w.pageShown; }
    int &requestTimeoutMs() const { return w.requestTimeoutMs; }
    QNetworkReply *pageReply() const { return w.pageReply; }
    QNetworkReply *pagesReply() const { return w.pagesReply; }
    bool saving() const { return w.saving; }
    QNetworkReply *descriptionReply() const { return w.descriptionReply; }
    QUdpSocket &udpSocket() const { return w.udpSocket; }

    void saveopt() const { w.saveopt(); }
    bool pageedited() const { return w.pageedited(); }
    void loaddescription() const { w.loaddescription(); }
    void modulesedit() const { w.modulesedit(); }
    void clicktable(int row, int column) const { w.clicktable(row, column); }
    void about() const { w.about(); }
    void clearpage() const { w.clearpage(); }
    void filltable(const QJsonObject &options) const { w.filltable(options); }
    void loadmodules() const { w.loadmodules(); }
    void savemodules() const { w.savemodules(); }

    MainWindow &w;
};
