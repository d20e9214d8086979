#pragma once
// The search tab's screen in the home rig, with the stores it takes.
#include "HomeRig.h"
#include "SearchModel.h"

namespace homefeed {

inline const QUrl searchView{QStringLiteral("qrc:/Nimbelora/Shell/qml/SearchView.qml")};
inline const QStringList searchStores{QStringLiteral("player"), QStringLiteral("library"), QStringLiteral("router"),
                                      QStringLiteral("avatars")};

} // namespace homefeed
