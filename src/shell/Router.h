#pragma once
#include "AppTab.h"
#include "ChannelRoute.h"
#include "LibraryRoute.h"
#include "Store.h"
#include "Video.h"
#include "YTPlaylistRoute.h"

#include <QList>
#include <QVariant>
#include <QtQml/qqmlregistration.h>
#include <optional>
#include <variant>

// The one navigation state: the selected root tab, one navigation path per
// tab that has a stack (Shorts has none: its routes land on the home path),
// and the video the add-to-playlist sheet is shown for.
//
// A path is a stack of route values of mixed kinds, bottom first; the tab's
// root screen is not on it. QML sees a path as a list of ChannelRoute,
// YTPlaylistRoute and LibraryRoute values and may write a whole path back
// (the tab stacks pop that way).
class Router : public Store
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The app creates the one router")
    Q_PROPERTY(AppTabs::AppTab tab READ tab WRITE setTab NOTIFY tabChanged)
    Q_PROPERTY(QVariantList homePath READ homePathValue WRITE setHomePathValue NOTIFY homePathChanged)
    Q_PROPERTY(QVariantList searchPath READ searchPathValue WRITE setSearchPathValue NOTIFY searchPathChanged)
    Q_PROPERTY(QVariantList subsPath READ subsPathValue WRITE setSubsPathValue NOTIFY subsPathChanged)
    Q_PROPERTY(QVariantList libraryPath READ libraryPathValue WRITE setLibraryPathValue NOTIFY libraryPathChanged)
    Q_PROPERTY(QVariant playlistVideo READ playlistVideoValue WRITE setPlaylistVideoValue NOTIFY playlistVideoChanged)

public:
    using Route = std::variant<ChannelRoute, YTPlaylistRoute, LibraryRoute>;
    using Path = QList<Route>;

    explicit Router(QObject *parent = nullptr);

    AppTab tab() const { return m_tab; }
    const Path &homePath() const { return m_homePath; }
    const Path &searchPath() const { return m_searchPath; }
    const Path &subsPath() const { return m_subsPath; }
    const Path &libraryPath() const { return m_libraryPath; }
    const std::optional<Video> &playlistVideo() const { return m_playlistVideo; }

    void setTab(AppTab v) { assign(m_tab, v, &Router::tabChanged); }
    void setHomePath(Path v) { assign(m_homePath, std::move(v), &Router::homePathChanged); }
    void setSearchPath(Path v) { assign(m_searchPath, std::move(v), &Router::searchPathChanged); }
    void setSubsPath(Path v) { assign(m_subsPath, std::move(v), &Router::subsPathChanged); }
    void setLibraryPath(Path v) { assign(m_libraryPath, std::move(v), &Router::libraryPathChanged); }
    void setPlaylistVideo(std::optional<Video> v) { assign(m_playlistVideo, std::move(v), &Router::playlistVideoChanged); }

    // Push onto the path of the tab selected now; the tab itself never changes.
    Q_INVOKABLE void openPlaylist(const QString &id);
    // Any route: the library tab's own routes go onto its path (the only
    // stack they belong to), the others as openChannel and openPlaylist do.
    // A value that is no route changes nothing.
    Q_INVOKABLE void open(const QVariant &route);
    void open(const Route &route);
    void openChannel(const ChannelRoute &route);
    Q_INVOKABLE void openChannel(const QString &id, const QString &name);

    // The path that receives routes while `tab` is selected.
    const Path &pathFor(AppTab tab) const;

    // QML forms of a route: the value itself, and its kind ("channel",
    // "ytPlaylist", "library"; "" for anything that is no route).
    static QVariant routeValue(const Route &route);
    static std::optional<Route> routeFrom(const QVariant &value);
    Q_INVOKABLE static QString kindOf(const QVariant &value);
    // How many routes two paths share from the bottom up.
    Q_INVOKABLE static int sharedDepth(const QVariantList &a, const QVariantList &b);

signals:
    void tabChanged();
    void homePathChanged();
    void searchPathChanged();
    void subsPathChanged();
    void libraryPathChanged();
    void playlistVideoChanged();

private:
    void push(Route route);

    static QVariantList pathValue(const Path &path);
    static Path pathFrom(const QVariantList &list);
    QVariantList homePathValue() const { return pathValue(m_homePath); }
    QVariantList searchPathValue() const { return pathValue(m_searchPath); }
    QVariantList subsPathValue() const { return pathValue(m_subsPath); }
    QVariantList libraryPathValue() const { return pathValue(m_libraryPath); }
    void setHomePathValue(const QVariantList &v) { setHomePath(pathFrom(v)); }
    void setSearchPathValue(const QVariantList &v) { setSearchPath(pathFrom(v)); }
    void setSubsPathValue(const QVariantList &v) { setSubsPath(pathFrom(v)); }
    void setLibraryPathValue(const QVariantList &v) { setLibraryPath(pathFrom(v)); }
    QVariant playlistVideoValue() const { return QmlValue::of(m_playlistVideo); }
    void setPlaylistVideoValue(const QVariant &v);

    AppTab m_tab = AppTab::home;
    Path m_homePath;
    Path m_searchPath;
    Path m_subsPath;
    Path m_libraryPath;
    std::optional<Video> m_playlistVideo;
};
