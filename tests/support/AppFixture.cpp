#include "AppFixture.h"

#include "API.h"
#include "Defaults.h"
#include "LibraryStore.h"
#include "Pref.h"
#include "TestDirs.h"

#include <QDir>

void AppFixture::prepare(Prefs prefs)
{
    TestDirs::isolate();
    Defaults::useMemory();
    if (prefs == Prefs::registered)
        Pref::registerDefaults();
}

bool AppFixture::start(Prefs prefs)
{
    prepare(prefs);
    m_backend = std::make_unique<TestBackend>();
    return m_backend->isRunning() && API::shared().setBaseUrl(QUrl(m_backend->origin()));
}

QString AppFixture::error() const
{
    if (!m_backend)
        return QStringLiteral("not started");
    return m_backend->isRunning() ? QStringLiteral("the API refused the backend's origin") : m_backend->error();
}

void AppFixture::reset()
{
    Defaults::useMemory();
    API::shared().setSession(std::nullopt);
    m_backend->clearFaults();
    m_backend->requests().clear();
}

void AppFixture::clearData()
{
    LibraryStore::waitForWrites();
    QDir(TestDirs::dataDir()).removeRecursively();
    Defaults::useMemory();
}
