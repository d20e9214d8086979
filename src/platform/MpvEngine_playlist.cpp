#include "MpvEngine_p.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

using namespace MpvDetail;

namespace {

// As long as mpv waits for a stalled stream by default.
constexpr int kTimeoutMs = 60000;

// mpv reads the text as it is and as an HLS playlist. Its usual handling of
// HLS hands libavformat the URL, which fetches the playlist again; reading
// from mpv's own stream (the text) needs that handling off. Then mpv passes
// none of its network settings to the requests libavformat makes for the
// variants and segments: they keep a time-out of their own.
const char *const kLoadOptions =
    "demuxer-lavf-hacks=no,demuxer-lavf-format=hls,demuxer-lavf-o=timeout=60000000";

} // namespace

bool MpvEngine::fetchesPlaylist(const QUrl &url)
{
    return (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) &&
           url.path().endsWith(QLatin1String(".m3u8"));
}

void MpvEngine::playlistRead(quint64 item, const QList<HlsMaster::Variant> &variants)
{
    if (item == m_item)
        m_variants = variants;
}

void MpvEngine::playlistFailed(quint64 item, const QString &error)
{
    if (item != m_item)
        return;
    m_restartPending = false;
    updateWaiting();
    reportFailed(item, error);
}

MpvEngine::PlaylistFetcher::~PlaylistFetcher()
{
    // Aborted replies still finish: while the gate is here to tell them
    // they are not wanted.
    delete m_network;
}

void MpvEngine::PlaylistFetcher::fetch(const QUrl &url, quint64 item)
{
    if (!m_network)
        m_network = new QNetworkAccessManager;
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(kTimeoutMs);
    QNetworkReply *reply = m_network->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply, item] {
        reply->deleteLater();
        const bool ok = reply->error() == QNetworkReply::NoError;
        const QByteArray text = ok ? reply->readAll() : QByteArray();
        const QString error = ok ? QString() : reply->errorString();
        std::lock_guard lock(m_gate->mutex);
        Gate &gate = *m_gate;
        if (gate.wanted != item || !gate.mpv || !gate.engine)
            return;
        gate.wanted = 0;
        MpvEngine *engine = gate.engine;
        if (!ok) {
            QMetaObject::invokeMethod(engine, [engine, item, error] { engine->playlistFailed(item, error); },
                                      Qt::QueuedConnection);
            return;
        }
        const QByteArray target = "memory://" + HlsMaster::absolute(text, reply->url());
        mpv_node_list list{};
        char *keys[] = {const_cast<char *>("name"), const_cast<char *>("url"), const_cast<char *>("flags"),
                        const_cast<char *>("options")};
        mpv_node values[4];
        const char *strings[] = {"loadfile", target.constData(), "replace", kLoadOptions};
        for (int i = 0; i < 4; ++i) {
            values[i].format = MPV_FORMAT_STRING;
            values[i].u.string = const_cast<char *>(strings[i]);
        }
        list.num = 4;
        list.keys = keys;
        list.values = values;
        mpv_node command;
        command.format = MPV_FORMAT_NODE_MAP;
        command.u.list = &list;
        gate.lib->command_node_async(gate.mpv, tag(Tag::Load, item), &command);
        const QList<HlsMaster::Variant> variants = HlsMaster::parse(text);
        QMetaObject::invokeMethod(engine, [engine, item, variants] { engine->playlistRead(item, variants); },
                                  Qt::QueuedConnection);
    });
}
