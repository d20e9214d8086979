#pragma once
#include "AppDelegate.h"
#include "AuthStore.h"
#include "AvatarStore.h"
#include "LibraryStore.h"
#include "PlayerStore.h"
#include "Router.h"
#include "SyncEvent.h"

#include <QObject>
#include <QStringList>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>

class Keychain;
class QLockFile;
class MediaEngine;
class QGuiApplication;
class QQuickWindow;
class WebSignIn;

// The program's entry and the owner of the five long-lived stores. It makes
// them in a fixed order, registers the settings defaults, applies the colour
// scheme setting live, turns opened URLs into playback or a playlist page,
// links the player to the library, sends the library's sync events to the
// account and refreshes the account once at launch.
class NimbeloraApp : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The process has one app object")
    Q_PROPERTY(PlayerStore *player READ player CONSTANT)
    Q_PROPERTY(LibraryStore *library READ library CONSTANT)
    Q_PROPERTY(Router *router READ router CONSTANT)
    Q_PROPERTY(AuthStore *auth READ auth CONSTANT)
    Q_PROPERTY(AvatarStore *avatars READ avatars CONSTANT)
    // The window has shown its first frame.
    Q_PROPERTY(bool appeared READ hasAppeared NOTIFY appearedChanged)

public:
    // What tests swap: the media engine (adopted), the keychain and the web
    // profile (borrowed), and the maker of the Shorts tab's engine. Null
    // members mean the real ones.
    struct Services
    {
        MediaEngine *engine = nullptr;
        Keychain *keychain = nullptr;
        WebSignIn *web = nullptr;
        std::function<MediaEngine *()> shortsEngine;
    };

    explicit NimbeloraApp(QObject *parent = nullptr);
    explicit NimbeloraApp(Services services, QObject *parent = nullptr);
    ~NimbeloraApp() override;

    // Hooks of the process entry, for whole-program probes.
    struct Hooks
    {
        // Makes the application object; a plain QGuiApplication when empty.
        std::function<std::unique_ptr<QGuiApplication>(int &argc, char **argv)> application;
        std::function<void(QQuickWindow *, NimbeloraApp *)> windowCreated;
    };
    // The process entry: a later launch hands its URL to the running
    // instance and returns; otherwise shows the window and runs the loop.
    static int main(int argc, char *argv[], const Hooks &hooks = {});

    // The app's data folder held for this process, so two writers never run
    // (another login session, or a launch without a session bus).
    struct DataLock
    {
        enum class Failure { none, taken, unwritable };
        std::unique_ptr<QLockFile> file; // null when not held
        Failure failure = Failure::none;
        QString folder;
        explicit operator bool() const { return bool(file); }
    };
    static DataLock lockDataFolder();
    // What the user is told when the folder could not be held.
    static QString refusal(const DataLock &lock);

    PlayerStore *player() const { return m_player; }
    LibraryStore *library() const { return m_library; }
    Router *router() const { return m_router; }
    AuthStore *auth() const { return m_auth; }
    AvatarStore *avatars() const { return m_avatars; }

    // The window's content was shown: links the player to the library and
    // installs the sync hook (each time); the first time also starts the
    // launch refresh and handles the URLs that came before.
    Q_INVOKABLE void appeared();
    bool hasAppeared() const { return m_appeared; }

    // An opened URL (command line or a later launch). Before the first
    // appearance it waits, so playback finds the library linked.
    Q_INVOKABLE void openURL(const QString &url);

    // The sync hook: one backend call per event, only while signed in and
    // "pref.sync" is on, both read now.
    void sync(const SyncEvent &event) const;

    // Quit: pending positions to disk, every queued write landed.
    void flushOnQuit();

signals:
    void appearedChanged();

private:
    void handleURL(const QString &url);
    void readTheme();

    AppDelegate m_delegate;
    MediaEngine *m_engine = nullptr;
    PlayerStore *m_player = nullptr;
    LibraryStore *m_library = nullptr;
    Router *m_router = nullptr;
    AuthStore *m_auth = nullptr;
    AvatarStore *m_avatars = nullptr;

    bool m_appeared = false;
    QStringList m_waitingURLs;
};
