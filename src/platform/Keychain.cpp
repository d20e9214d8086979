#include "Keychain.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringDecoder>
#include <QThread>
#include <atomic>
#include <mutex>
#include <qt6keychain/keychain.h>

namespace {

constexpr auto kReadTimeout = std::chrono::seconds(10);

// The one thread of every keyring job. It ends with the application object,
// after the writes still under way have had a moment to finish.
class JobThread
{
public:
    static JobThread &instance()
    {
        static JobThread *t = new JobThread;
        return *t;
    }

    // Runs `job` on the thread; it calls `done` when its keyring job ends.
    void post(std::function<void(std::function<void()> done)> job)
    {
        std::call_once(m_started, [this] { start(); });
        ++m_pending;
        QMetaObject::invokeMethod(
            m_worker, [this, job = std::move(job)] { job([this] { --m_pending; }); }, Qt::QueuedConnection);
    }

private:
    void start()
    {
        m_thread = new QThread;
        m_thread->setObjectName(QStringLiteral("keychain"));
        m_worker = new QObject;
        m_worker->moveToThread(m_thread);
        m_thread->start();
        qAddPostRoutine([] { instance().stop(); });
    }

    void stop()
    {
        QElapsedTimer waited;
        waited.start();
        while (m_pending > 0 && waited.elapsed() < 3000)
            QThread::msleep(5);
        m_thread->quit();
        m_thread->wait();
    }

    std::once_flag m_started;
    QThread *m_thread = nullptr;
    QObject *m_worker = nullptr;
    std::atomic<int> m_pending{0};
};

std::optional<QString> decode(QKeychain::ReadPasswordJob *job)
{
    if (job->error() != QKeychain::NoError)
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(job->binaryData());
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

void run(QKeychain::Job *job, const QString &key, std::function<void()> done,
         std::function<void(QKeychain::Job *)> finished = {})
{
    job->setAutoDelete(true);
    job->setInsecureFallback(false);
    job->setKey(key);
    QObject::connect(job, &QKeychain::Job::finished, job, [done = std::move(done), finished](QKeychain::Job *j) {
        if (finished)
            finished(j);
        done();
    });
    job->start();
}

} // namespace

Keychain::Keychain(QString service) : m_service(std::move(service)) {}

Keychain &Keychain::shared()
{
    static Keychain *k = new Keychain;
    return *k;
}

Keychain::Answer Keychain::read(const QString &key)
{
    auto promise = std::make_shared<std::promise<std::optional<QString>>>();
    Answer answer = promise->get_future().share();
    JobThread::instance().post([service = m_service, key, promise](std::function<void()> done) {
        run(new QKeychain::ReadPasswordJob(service), key, std::move(done), [promise](QKeychain::Job *j) {
            promise->set_value(decode(static_cast<QKeychain::ReadPasswordJob *>(j)));
        });
    });
    return answer;
}

void Keychain::prefetch(const QString &key)
{
    if (!m_prefetched.contains(key))
        m_prefetched.insert(key, read(key));
}

std::optional<QString> Keychain::get(const QString &key)
{
    const Answer answer = m_prefetched.contains(key) ? m_prefetched.take(key) : read(key);
    if (answer.wait_for(kReadTimeout) != std::future_status::ready)
        return std::nullopt;
    try {
        return answer.get();
    } catch (const std::future_error &) {
        return std::nullopt; // the job thread had already ended
    }
}

void Keychain::set(const QString &key, const std::optional<QString> &value)
{
    // A read started earlier may have answered from before this write.
    m_prefetched.remove(key);
    JobThread::instance().post([service = m_service, key, value](std::function<void()> done) {
        QKeychain::Job *job = nullptr;
        if (value) {
            // Writing replaces an item of the same key.
            auto *write = new QKeychain::WritePasswordJob(service);
            write->setBinaryData(value->toUtf8());
            job = write;
        } else {
            job = new QKeychain::DeletePasswordJob(service);
        }
        run(job, key, std::move(done));
    });
}
