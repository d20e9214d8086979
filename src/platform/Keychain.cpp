#include "Keychain.h"
#include <QEventLoop>
#include <QStringDecoder>
#include <qt6keychain/keychain.h>

Keychain::Keychain(QString service) : m_service(std::move(service)) {}

Keychain &Keychain::shared()
{
    static Keychain *k = new Keychain;
    return *k;
}

std::optional<QString> Keychain::get(const QString &key)
{
    QKeychain::ReadPasswordJob job(m_service);
    job.setAutoDelete(false);
    job.setInsecureFallback(false);
    job.setKey(key);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (job.error() != QKeychain::NoError)
        return std::nullopt;
    const QByteArray data = job.binaryData();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(data);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

void Keychain::set(const QString &key, const std::optional<QString> &value)
{
    QKeychain::Job *job = nullptr;
    if (value) {
        // Writing replaces an item of the same key.
        auto *write = new QKeychain::WritePasswordJob(m_service);
        write->setBinaryData(value->toUtf8());
        job = write;
    } else {
        job = new QKeychain::DeletePasswordJob(m_service);
    }
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    job->start();
}
