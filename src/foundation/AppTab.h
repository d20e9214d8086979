#pragma once
#include <QHash>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace AppTabs {
Q_NAMESPACE
QML_NAMED_ELEMENT(AppTab)

// The five root tabs in tab-bar order. The capitalised names are the same
// values, spelled so QML can reach them (AppTab.Home).
enum class AppTab {
    home,
    shorts,
    search,
    subscriptions,
    library,
    Home = home,
    Shorts = shorts,
    Search = search,
    Subscriptions = subscriptions,
    Library = library,
};
Q_ENUM_NS(AppTab)

inline size_t qHash(AppTab t, size_t seed = 0) { return ::qHash(int(t), seed); }

} // namespace AppTabs

using AppTab = AppTabs::AppTab;
