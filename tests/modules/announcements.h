#pragma once

#include <QComboBox>
#include <QString>

// Sends a datagram to the window's discovery port from a loopback address of its own (any
// 127.0.0.x works on Linux), the way a module on the network would.
bool sendFrom(const QString &source, const QByteArray &datagram);

// False when another program holds the discovery port: the kernel would hand it datagrams
// meant for the window.
bool discoveryPortFree();

// The module list in options.ini of the working directory.
void storeModules(const QString &value);
QString storedModules();

// The selector's items after the prompt: their texts, or with Qt::UserRole their addresses.
QStringList selectorItems(const QComboBox *box, int role = Qt::DisplayRole);
