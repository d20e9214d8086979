#include "Router.h"

Router::Router(QObject *parent) : Store(parent) {}

void Router::openPlaylist(const QString &id)
{
    push(YTPlaylistRoute{id});
}

void Router::open(const QVariant &route)
{
    if (const auto r = routeFrom(route))
        open(*r);
}

void Router::open(const Route &route)
{
    if (const auto *library = std::get_if<LibraryRoute>(&route)) {
        Path path = m_libraryPath;
        path.append(*library);
        setLibraryPath(std::move(path));
        return;
    }
    push(route);
}

void Router::openChannel(const ChannelRoute &route)
{
    push(route);
}

void Router::openChannel(const QString &id, const QString &name)
{
    openChannel(ChannelRoute{id, name});
}

const Router::Path &Router::pathFor(AppTab tab) const
{
    switch (tab) {
    case AppTab::search:
        return m_searchPath;
    case AppTab::subscriptions:
        return m_subsPath;
    case AppTab::library:
        return m_libraryPath;
    case AppTab::home:
    case AppTab::shorts:
        break;
    }
    return m_homePath;
}

void Router::push(Route route)
{
    Path path = pathFor(m_tab);
    path.append(std::move(route));
    switch (m_tab) {
    case AppTab::search:
        setSearchPath(std::move(path));
        break;
    case AppTab::subscriptions:
        setSubsPath(std::move(path));
        break;
    case AppTab::library:
        setLibraryPath(std::move(path));
        break;
    case AppTab::home:
    case AppTab::shorts:
        setHomePath(std::move(path));
        break;
    }
}

QVariant Router::routeValue(const Route &route)
{
    return std::visit([](const auto &r) { return QVariant::fromValue(r); }, route);
}

std::optional<Router::Route> Router::routeFrom(const QVariant &value)
{
    const QMetaType type = value.metaType();
    if (type == QMetaType::fromType<ChannelRoute>())
        return value.value<ChannelRoute>();
    if (type == QMetaType::fromType<YTPlaylistRoute>())
        return value.value<YTPlaylistRoute>();
    if (type == QMetaType::fromType<LibraryRoute>())
        return value.value<LibraryRoute>();
    return std::nullopt;
}

QString Router::kindOf(const QVariant &value)
{
    const auto route = routeFrom(value);
    if (!route)
        return {};
    switch (route->index()) {
    case 0:
        return QStringLiteral("channel");
    case 1:
        return QStringLiteral("ytPlaylist");
    default:
        return QStringLiteral("library");
    }
}

int Router::sharedDepth(const QVariantList &a, const QVariantList &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    qsizetype i = 0;
    for (; i < n; ++i) {
        const auto x = routeFrom(a.at(i));
        const auto y = routeFrom(b.at(i));
        if (!x || !y || !(*x == *y))
            break;
    }
    return int(i);
}

QVariantList Router::pathValue(const Path &path)
{
    QVariantList out;
    out.reserve(path.size());
    for (const Route &r : path)
        out.append(routeValue(r));
    return out;
}

Router::Path Router::pathFrom(const QVariantList &list)
{
    // Values that are no route cannot be shown by any stack: they are dropped.
    Path path;
    path.reserve(list.size());
    for (const QVariant &v : list)
        if (auto r = routeFrom(v))
            path.append(std::move(*r));
    return path;
}

void Router::setPlaylistVideoValue(const QVariant &v)
{
    if (v.metaType() == QMetaType::fromType<Video>())
        setPlaylistVideo(v.value<Video>());
    else
        setPlaylistVideo(std::nullopt);
}
