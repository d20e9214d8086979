#include "RemoteListModel.h"
#include "API.h"
#include "ErrorDescription.h"


RemoteListModel::RemoteListModel(QObject *parent) : PagedList(parent, {}, LoadState::loading()) {}

QString RemoteListModel::titleFor(const QString &kind)
{
    if (kind == QLatin1String("history"))
        return QStringLiteral("Historial de YouTube");
    if (kind == QLatin1String("liked"))
        return QStringLiteral("Me gusta");
    return QStringLiteral("Ver más tarde");
}

QString RemoteListModel::symbolFor(const QString &kind)
{
    if (kind == QLatin1String("history"))
        return QStringLiteral("clock.arrow.circlepath");
    if (kind == QLatin1String("liked"))
        return QStringLiteral("hand.thumbsup");
    return QStringLiteral("clock");
}

void RemoteListModel::setAuth(AuthStore *auth)
{
    if (!follow(this, m_auth, auth))
        return;
    if (m_auth)
        connect(m_auth, &AuthStore::accountChanged, this, [this] { load(); });
    emit authChanged();
}

QCoro::Task<> RemoteListModel::load()
{
    const Generation::Ticket load = newLoad();
    const QString kind = m_kind;
    setState(LoadState::loading());
    resetPaging();

    QList<Video> first;
    try {
        first = co_await API::shared().meFeed(kind, 0);
    } catch (const std::exception &e) {
        if (load)
            setState(LoadState::failed(describe(e)));
        co_return;
    }
    if (load)
        showFirstPage(first);
}

QCoro::Task<QList<Video>> RemoteListModel::fetchPage(qint64 page)
{
    co_return co_await API::shared().meFeed(m_kind, page);
}

void RemoteListModel::refresh(const QJSValue &done) { callWhenDone(load(), done); }
