// Saves the subscriptions tab (signed out with channels, signed in, empty,
// failing), the manager in both orders and channel pages (each content tab,
// loading, without banner, without handle or picture, the menu), in light
// and dark, for a look by eye. Argument: the folder for the PNGs.
#include "Defaults.h"
#include "Fixtures.h"
#include "HomeRig.h"
#include "NimbeloraApp.h"
#include "Pref.h"
#include "RootViewLoad.h"

#include <QGuiApplication>
#include <QTest>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(Nimbelora_AppPlugin)

namespace {

class Rig
{
public:
    AppFixture backend;
    QString dir;
    QString theme;
    int failures = 0;

    // The root view on the subscriptions tab, following `channels` fixture channels.
    bool open(bool signedIn, int channels, int scheme, const std::function<void()> &faults = {})
    {
        close();
        AppFixture::clearData();
        backend.reset();
        if (faults)
            faults();
        Defaults::shared().setValue(QString(Pref::onboarded), true);
        Defaults::shared().setValue(QString(Pref::theme), scheme);
        theme = scheme == 2 ? QStringLiteral("dark") : QStringLiteral("light");
        m_keychain = std::make_unique<MemoryKeychain>();
        m_web = std::make_unique<WebSignIn>(WebSignIn::Backing::Memory);
        if (signedIn) {
            m_keychain->set(QStringLiteral("session"), backend->session());
            Defaults::shared().setValue(QStringLiteral("account"), QStringLiteral(R"({"name":"Usuario de prueba"})"));
        }
        m_app = std::make_unique<NimbeloraApp>(NimbeloraApp::Services{new SimulatedEngine, m_keychain.get(), m_web.get()});
        for (int i = channels - 1; i >= 0; --i) {
            const FxChannel &c = backend->fixtures().channels().at(i);
            m_app->library()->toggleSubscription(c.id, c.name, backend->fixtures().channelAvatarUrl(c, backend->origin()));
        }
        m_app->router()->setTab(AppTab::Subscriptions);
        m_app->appeared();
        m_qml = std::make_unique<QmlHarness>();
        m_qml->window()->resize(430, 932);
        QQuickItem *root = loadRootView(*m_qml, *m_app);
        if (!root)
            std::fprintf(stderr, "load: %s\n", qPrintable(m_qml->errors()));
        return root != nullptr;
    }
    void close()
    {
        m_qml.reset();
        m_app.reset();
    }

    QList<QQuickItem *> shown(const QString &name) const
    {
        return QmlHarness::shownItems(m_qml->window()->contentItem(), name);
    }
    bool waitShown(const QString &name)
    {
        const bool ok = homefeed::waitFor(qPrintable(name), [&] { return !shown(name).isEmpty(); });
        failures += !ok;
        return ok;
    }
    bool click(const QString &name) { return !shown(name).isEmpty() && m_qml->click(shown(name).first()); }
    void openChannel(int index)
    {
        const FxChannel &c = backend->fixtures().channels().at(index);
        m_app->router()->openChannel(ChannelRoute{c.id, c.name});
    }
    void save(const QString &name, int settleMs = 1500)
    {
        QTest::qWait(settleMs); // pictures and transitions
        failures += !homefeed::saveShot(m_qml->window(), dir, name + QLatin1Char('-') + theme + QStringLiteral(".png"));
    }

private:
    std::unique_ptr<MemoryKeychain> m_keychain;
    std::unique_ptr<WebSignIn> m_web;
    std::unique_ptr<NimbeloraApp> m_app;
    std::unique_ptr<QmlHarness> m_qml;
};

} // namespace

int main(int argc, char *argv[])
{
    homefeed::preferOffscreen();
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    Rig rig;
    rig.dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::current().absoluteFilePath(QStringLiteral("shots"));
    QDir().mkpath(rig.dir);
    if (!rig.backend.start()) {
        std::fprintf(stderr, "backend: %s\n", qPrintable(rig.backend.error()));
        return 1;
    }
    Warmer::setSender([](const QStringList &) {});
    rig.backend->prepareMedia();
    const QString cards = QStringLiteral("videoCard");

    for (int scheme : {2, 1}) {
        if (rig.open(false, 6, scheme) && rig.waitShown(cards)) {
            rig.save(QStringLiteral("subs-signed-out"));
            if (rig.click(QStringLiteral("manageButton")) && rig.waitShown(QStringLiteral("managerRow"))) {
                rig.save(QStringLiteral("manager-library-order"));
                rig.click(QStringLiteral("sortButton"));
                rig.save(QStringLiteral("manager-by-name"), 600);
            }
        }
        if (rig.open(true, 3, scheme) && rig.waitShown(cards))
            rig.save(QStringLiteral("subs-signed-in"));
        if (rig.open(false, 0, scheme) && rig.waitShown(QStringLiteral("noSubscriptions")))
            rig.save(QStringLiteral("subs-empty"), 400);
        if (rig.open(false, 3, scheme, [&] { rig.backend->failPath(QStringLiteral("/api/channel/"), 500); }) &&
            rig.waitShown(QStringLiteral("feedError")))
            rig.save(QStringLiteral("subs-error"), 400);

        rig.open(false, 0, scheme);
        rig.openChannel(0);
        if (rig.waitShown(cards)) {
            rig.save(QStringLiteral("channel-videos"));
            const QStringList tabs{QStringLiteral("popular"), QStringLiteral("shorts")};
            for (int i = 1; i <= 2; ++i) {
                rig.click(QStringLiteral("segment") + QString::number(i));
                if (rig.waitShown(cards))
                    rig.save(QStringLiteral("channel-") + tabs.at(i - 1));
            }
            if (rig.click(QStringLiteral("channelMenuButton")) && rig.waitShown(QStringLiteral("contextMenuItem0")))
                rig.save(QStringLiteral("channel-menu"), 800);
        }
        rig.open(false, 0, scheme);
        rig.backend->delayPath(QStringLiteral("/api/channel/"), 20000);
        rig.openChannel(3);
        if (rig.waitShown(QStringLiteral("skeletonCard")))
            rig.save(QStringLiteral("channel-loading"), 600);
        rig.backend->clearFaults();
        for (int index : {3, 8}) {
            rig.open(false, 0, scheme);
            rig.openChannel(index);
            if (rig.waitShown(cards))
                rig.save(index == 3 ? QStringLiteral("channel-no-banner") : QStringLiteral("channel-no-handle"));
        }
    }
    rig.close();
    return rig.failures == 0 ? 0 : 1;
}
