#pragma once

#include <QString>

/// Points the welcome page of a test binary at `baseUrl` (an http URL ending in "/").
void setContentServerBaseUrl(const QString &baseUrl);
