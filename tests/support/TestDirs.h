#pragma once
#include <QString>

// Points QStandardPaths at the per-user test folders and empties the app's
// data, cache and config folders there, so every test starts from nothing.
namespace TestDirs {
void isolate();
QString dataDir();
QString cacheDir();
}
