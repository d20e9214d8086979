#pragma once
#include "ChannelInfo.h"
#include "ChannelRoute.h"
#include "LibraryStore.h"
#include "MenuEntry.h"
#include "PagedList.h"

#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>
#include <QCoroTask>
#include <optional>

// The state of one channel page: the header of the last first page, the
// videos of the selected content tab, paged, and the page's actions on the
// library (follow, hide) and on the channel's public link. Only the newest
// load writes: a page asked for under another tab, or before a reload, is
// dropped.
class ChannelModel : public PagedList
{
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(ChannelRoute route READ route WRITE setRoute NOTIFY routeChanged)
    Q_PROPERTY(LibraryStore *library READ library WRITE setLibrary NOTIFY libraryChanged)
    Q_PROPERTY(QStringList tabLabels READ tabLabels CONSTANT)
    Q_PROPERTY(int tabIndex READ tabIndex NOTIFY tabChanged)
    Q_PROPERTY(VideoListModel *videos READ list CONSTANT)
    Q_PROPERTY(bool hasInfo READ hasInfo NOTIFY infoChanged)
    Q_PROPERTY(QString name READ name NOTIFY infoChanged)
    Q_PROPERTY(QString avatar READ avatar NOTIFY infoChanged)
    Q_PROPERTY(bool verified READ verified NOTIFY infoChanged)
    Q_PROPERTY(QString meta READ meta NOTIFY infoChanged)
    Q_PROPERTY(QString description READ description NOTIFY infoChanged)
    Q_PROPERTY(QString banner READ banner NOTIFY infoChanged)
    Q_PROPERTY(bool subscribed READ subscribed NOTIFY subscribedChanged)

public:
    explicit ChannelModel(QObject *parent = nullptr);

    // Picker labels and the tab ids sent to the backend, in picker order.
    static const QStringList &tabIds();
    static QStringList tabLabels();

    const ChannelRoute &route() const { return m_route; }
    void setRoute(const ChannelRoute &route);
    LibraryStore *library() const { return m_library; }
    void setLibrary(LibraryStore *library);

    const QString &tab() const { return m_tab; }
    int tabIndex() const { return int(tabIds().indexOf(m_tab)); }
    VideoListModel *videos() const { return list(); }

    const std::optional<ChannelInfo> &info() const { return m_info; }
    bool hasInfo() const { return m_info.has_value(); }
    QString name() const { return m_info ? m_info->name : m_route.name; }
    QString avatar() const { return m_info ? m_info->avatar.value_or(QString()) : QString(); }
    bool verified() const { return m_info && m_info->verified; }
    QString meta() const { return m_info ? metaLine(m_info->handle, m_info->subscribers) : QString(); }
    QString description() const { return m_info ? m_info->description : QString(); }
    QString banner() const { return m_info ? bannerUrl(m_info->banner).toString() : QString(); }
    // The channel the follow button toggles: the reply's id once there is one.
    QString followId() const { return m_info ? m_info->id : m_route.id; }
    bool subscribed() const;

    // "@handle · 1,5 mil suscriptores", each part only when present.
    static QString metaLine(const std::optional<QString> &handle, const std::optional<qint64> &subscribers);
    // The banner's address when it is an http(s) URL, else empty.
    static QUrl bannerUrl(const std::optional<QString> &banner);

    // Never throws: a failed first page ends in `state`. The screen's task,
    // each time the page comes; one still on its way when it goes lands.
    QCoro::Task<> load();

    // Another content tab: its first page.
    Q_INVOKABLE void selectTab(int index);
    // Follow or unfollow, with the success haptic either way.
    Q_INVOKABLE void toggleSubscription();
    // The page's menu: its entries, and a choice by entry id.
    static QList<MenuEntry> menuEntries();
    Q_INVOKABLE static QVariantList menuModel() { return MenuEntry::toModel(menuEntries()); }
    Q_INVOKABLE void trigger(const QString &id);

signals:
    void routeChanged();
    void libraryChanged();
    void tabChanged();
    void infoChanged();
    void subscribedChanged();

protected:
    void runTask() override { load(); }

private:
    QCoro::Task<QList<Video>> fetchPage(qint64 page) override;
    void copyLink() const;
    void openLink() const;
    void hideChannel();

    ChannelRoute m_route;
    QPointer<LibraryStore> m_library;
    QString m_tab;
    std::optional<ChannelInfo> m_info;
};
