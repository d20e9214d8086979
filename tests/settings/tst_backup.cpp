#include "AppFixture.h"
#include "BackupModel.h"
#include "TestDirs.h"

#include <QCoreApplication>
#include <QCoroTask>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

Video video(const QString &id)
{
    Video v;
    v.id = id;
    v.channel = u"Canal"_qs;
    return v;
}

} // namespace

class TestBackup : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile f(m_dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return f.fileName();
    }

private slots:
    void initTestCase() { AppFixture::prepare(); }
    void init() { AppFixture::clearData(); }

    void restore_data()
    {
        QTest::addColumn<QString>("file"); // what to make of the exported bytes
        QTest::addColumn<bool>("ok");
        QTest::newRow("round trip") << u"same"_qs << true;
        QTest::newRow("older file without playlists") << u"noPlaylists"_qs << true;
        QTest::newRow("malformed") << u"malformed"_qs << false;
        QTest::newRow("required key missing") << u"noLiked"_qs << false;
        QTest::newRow("a folder") << u"folder"_qs << false;
        QTest::newRow("too big") << u"big"_qs << false;
        QTest::newRow("unreadable") << u"unreadable"_qs << false;
        QTest::newRow("missing") << u"missing"_qs << false;
    }

    void restore()
    {
        QFETCH(QString, file);
        QFETCH(bool, ok);
        LibraryStore library;
        library.addToHistory(video(u"a"_qs));
        library.createPlaylist(u"Lista"_qs);
        BackupModel model;
        model.setLibrary(&library);
        model.create();
        QVERIFY(model.exportUrl().isLocalFile());
        QFile exported(model.exportUrl().toLocalFile());
        QVERIFY(exported.open(QIODevice::ReadOnly));
        QJsonObject snapshot = QJsonDocument::fromJson(exported.readAll()).object();
        library.addToHistory(video(u"b"_qs));

        QString path;
        if (file == u"same") {
            path = exported.fileName();
        } else if (file == u"noPlaylists") {
            snapshot.remove(u"playlists"_qs);
            path = write(file, QJsonDocument(snapshot).toJson());
        } else if (file == u"malformed") {
            path = write(file, "{\"history\": [");
        } else if (file == u"noLiked") {
            snapshot.remove(u"liked"_qs);
            path = write(file, QJsonDocument(snapshot).toJson());
        } else if (file == u"folder") {
            path = m_dir.path();
        } else if (file == u"big") {
            path = write(file, QByteArray(BackupModel::maxBytes + 1, ' '));
        } else if (file == u"unreadable") {
            path = write(file, QJsonDocument(snapshot).toJson());
            QFile::setPermissions(path, {});
            if (QFile(path).open(QIODevice::ReadOnly))
                QSKIP("running as root: every file is readable");
        } else {
            path = m_dir.filePath(u"nothing.json"_qs);
        }
        QCoro::waitFor(model.restore(QUrl::fromLocalFile(path)));
        QCOMPARE(model.footer(), ok ? u"Biblioteca restaurada correctamente."_qs : u"El archivo no es una copia válida."_qs);
        QVERIFY(model.exportUrl().isEmpty());
        QCOMPARE(library.history().size(), ok ? 1 : 2);
        QCOMPARE(library.playlists().size(), file == u"noPlaylists" ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestBackup)
#include "tst_backup.moc"
