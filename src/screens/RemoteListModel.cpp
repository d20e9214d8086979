#include "RemoteListModel.h"
#include "API.h"
#include "ErrorDescription.h"

#include <QSet>

RemoteListModel::RemoteListModel(QObject *parent) : Store(parent), m_items(new VideoListModel(this)) {}

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
    if (auth == m_auth)
        return;
    if (m_auth)
        disconnect(m_auth, nullptr, this, nullptr);
    m_auth = auth;
    if (m_auth)
        connect(m_auth, &AuthStore::accountChanged, this, [this] { load(); });
    emit authChanged();
}

QCoro::Task<> RemoteListModel::load()
{
    QPointer<RemoteListModel> self(this);
    const quint64 generation = ++m_generation;
    const QString kind = m_kind;
    setState(LoadState::loading());
    m_page = 0;
    setCanMore(true);
    setLoadingMore(false);

    QList<Video> list;
    try {
        list = co_await API::shared().meFeed(kind, 0);
    } catch (const std::exception &e) {
        if (self && m_generation == generation)
            setState(LoadState::failed(describe(e)));
        co_return;
    }
    if (!self || m_generation != generation)
        co_return;
    m_items->replace(list);
    setCanMore(!list.isEmpty());
    setState(LoadState::loaded());
}

QCoro::Task<> RemoteListModel::more()
{
    if (!m_canMore || m_loadingMore)
        co_return;
    QPointer<RemoteListModel> self(this);
    const quint64 generation = m_generation;
    const qint64 next = m_page + 1;
    setLoadingMore(true);

    std::optional<QList<Video>> reply;
    try {
        reply = co_await API::shared().meFeed(m_kind, next);
    } catch (const std::exception &) {
        // A failed page ends paging without a word.
    }
    if (!self || m_generation != generation)
        co_return;
    if (!reply) {
        setCanMore(false);
    } else {
        QSet<QString> shown;
        for (const Video &v : m_items->videos())
            shown.insert(v.id);
        QList<Video> fresh;
        for (const Video &v : std::as_const(*reply))
            if (!shown.contains(v.id))
                fresh.append(v);
        if (fresh.isEmpty()) {
            setCanMore(false);
        } else {
            m_items->append(fresh);
            m_page = next;
        }
    }
    setLoadingMore(false);
}

void RemoteListModel::startLoad(const QJSValue &done)
{
    QJSValue callback = done;
    QCoro::connect(load(), this, [callback] {
        if (callback.isCallable())
            callback.call();
    });
}

void RemoteListModel::reached(const QString &videoId)
{
    if (!m_items->isEmpty() && m_items->videos().constLast().id == videoId)
        more();
}
