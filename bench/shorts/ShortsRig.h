#pragma once
// The Shorts screen with real stores over the in-process dev backend, for
// the probes in this folder.
#include "HomeRig.h"
#include "ShortsStore.h"

namespace shorts {

class ShortsRig : public homefeed::HomeRig
{
public:
    // Fresh data, stores and faults; Shorts play on what `engine` makes.
    void reset(ShortsStore::EngineFactory engine)
    {
        HomeRig::reset();
        ShortsStore::setEngineFactory(std::move(engine));
    }

    QQuickItem *load()
    {
        return HomeRig::load(430, 932, QUrl(QStringLiteral("qrc:/Nimbelora/Shorts/qml/ShortsView.qml")),
                             {QStringLiteral("player"), QStringLiteral("library"), QStringLiteral("avatars")});
    }

    QQuickItem *pager() const { return QmlHarness::findIn(root(), QStringLiteral("shortsPager")); }
    ShortsStore *store() const { return root()->property("store").value<ShortsStore *>(); }
    qsizetype alive(const QString &name) const { return QmlHarness::findAllIn(root(), name).size(); }
};

} // namespace shorts
