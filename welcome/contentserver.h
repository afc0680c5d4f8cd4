#pragma once

#include <QNetworkRequest>
#include <QString>

/// The content server's base address: an absolute http URL ending in "/". The executable
/// links the address compiled in from the build setting; test binaries link their own
/// definition so they can point the welcome page at a server of their own.
QString contentServerBaseUrl();

/// The base address followed by the welcome folder "qt/welcome/".
QString welcomeFolderUrl();

/// Milliseconds since the Unix epoch in decimal, read afresh: what keeps every address
/// the welcome page asks for out of caches.
QString timeStamp();

/// The request for the welcome folder's JSON file list: the folder address, `page` (such as
/// "index.php?t=") and a fresh time stamp, declared JSON and always fetched from the network.
QNetworkRequest listingRequest(const QString &page);
