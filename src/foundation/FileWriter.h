#pragma once
#include <QByteArray>
#include <QString>
#include <QThreadPool>

// The one serial background writer: every file of the app's state is written
// through it, atomically and in the order asked, so an older snapshot can never
// land after a newer one. Write errors are dropped.
class FileWriter
{
public:
    static FileWriter &shared();

    void write(const QString &path, QByteArray data);
    void remove(const QString &path);
    // Removes the temporary copies of `path` that a write cut short by the
    // end of an earlier run left beside it. Called by each owner when it
    // loads its file; queued, so it never meets a write of this run.
    void removeLeftovers(const QString &path);
    // Blocks until every queued write has landed (quit, tests).
    void drain();

    // Writes at once on the calling thread; false when the file did not land.
    static bool writeNow(const QString &path, const QByteArray &data);

private:
    FileWriter();
    QThreadPool m_pool;
};
