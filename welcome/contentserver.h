#pragma once

#include <QString>

/// The content server's base address: an absolute http URL ending in "/". The executable
/// links the address compiled in from the build setting; test binaries link their own
/// definition so they can point the welcome page at a server of their own.
QString contentServerBaseUrl();

/// The base address followed by the welcome folder "qt/welcome/".
QString welcomeFolderUrl();
