#pragma once
#include <QString>

// A file that could not be read is kept beside the new one under a dated
// name ("library.damaged-20240131-093000.json", "-2" and on within the same
// second), so the user's data is never replaced by an empty start.
namespace DamagedFile {
// Moves (or, failing that, copies) `path` aside; false when it stays alone.
bool keepAside(const QString &path);
}
