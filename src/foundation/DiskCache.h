#pragma once
#include "Json.h"
#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <QtConcurrent/QtConcurrentRun>
#include <optional>

// The last list each list screen showed, one JSON file "<key>.json" in the
// folder "ombri" under the app's cache folder; no time stamp, no expiry.
// Nothing here touches the disk on the calling thread: saves go through the
// serial file writer, loads and the folder-wide operations run on the thread
// pool and answer through futures (co_await them). No operation reports an
// error: a missing or damaged file loads as nothing. A load also has the
// writer remove what a save cut short in an earlier run left beside the file.
class DiskCache
{
public:
    // The cache folder (created by the first write or read, not here).
    static QString dir();
    // The file of a key. Characters that are not safe in a file name are
    // %-escaped (a leading dot too), and over-long keys end in a hash, so no
    // key can name a file outside the folder.
    static QString path(const QString &key);
    static QString fileName(const QString &key);

    template<class T>
    static void save(const T &value, const QString &key)
    {
        // Encoded here, so saves land in the order they were asked for.
        saveBytes(Json::encode(value), key);
    }

    template<class T>
    static QFuture<std::optional<T>> load(const QString &key)
    {
        return QtConcurrent::run([file = path(key)]() -> std::optional<T> {
            const std::optional<QByteArray> bytes = read(file);
            if (!bytes)
                return std::nullopt;
            try {
                return Json::decode<T>(*bytes);
            } catch (...) {
                return std::nullopt;
            }
        });
    }

    // The lists that belong to the signed-in account: the home's "Para ti"
    // and the subscriptions feed. Every such key is listed in accountKeys().
    static constexpr QLatin1StringView homeAccountKey{"feed-me-home"};
    static constexpr QLatin1StringView subscriptionsAccountKey{"subs-me"};
    static const QStringList &accountKeys();
    // Removes those lists (sign-out), after any save of them already asked for.
    static void forgetAccountLists();

    // Removes everything directly in the app's cache folder: the lists, the
    // image loader's disk cache, the channel avatars' file and whatever else
    // is there. Images already in memory keep showing.
    static QFuture<void> clearAll();
    // Total size in bytes of the files under the app's cache folder.
    static QFuture<qint64> totalBytes();

private:
    static void saveBytes(QByteArray json, const QString &key);
    static std::optional<QByteArray> read(const QString &file);
};
