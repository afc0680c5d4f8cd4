#pragma once

#include "loopbackhttpserver.h"

#include <QDebug>
#include <QString>

Q_DECLARE_METATYPE(LoopbackHttpServer::Response)

using Response = LoopbackHttpServer::Response;
using Behaviour = LoopbackHttpServer::Behaviour;

inline Response answer(int status, const QByteArray &body)
{
    Response response;
    response.status = status;
    response.body = body;
    return response;
}

inline Response withBehaviour(Behaviour behaviour, Response response = {})
{
    response.behaviour = behaviour;
    return response;
}

/// A value as the program's debug lines write it: strings quoted, lists as QList(...).
template <typename T> QString debugForm(const T &value)
{
    QString text;
    QDebug(&text).nospace() << value;
    return text;
}
