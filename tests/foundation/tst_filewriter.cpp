#include "FileWriter.h"
#include "TestDirs.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

class TestFileWriter : public QObject
{
    Q_OBJECT
private slots:
    void laterWriteWins()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("sub/state.json");
        for (int i = 0; i < 200; ++i)
            FileWriter::shared().write(path, QByteArray::number(i));
        FileWriter::shared().drain();
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("199"));
    }
    void unwritableFolderIsDropped()
    {
        FileWriter::shared().write("/proc/nimbelora/none.json", "x");
        FileWriter::shared().drain();
        QVERIFY(!FileWriter::writeNow("/proc/nimbelora/none.json", "x"));
    }
    void removeIsOrderedAfterWrite()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("gone.json");
        FileWriter::shared().write(path, "data");
        FileWriter::shared().remove(path);
        FileWriter::shared().drain();
        QVERIFY(!QFile::exists(path));
    }

    // A write cut short leaves its copy under the file's name plus a dot and
    // six letters; only such a copy of this very file goes.
    void onlyLeftoversAreRemoved_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("removed");
        QTest::newRow("leftover") << "state.json.QwErTy" << true;
        QTest::newRow("other leftover") << "state.json.abcdef" << true;
        QTest::newRow("short suffix") << "state.json.bak" << false;
        QTest::newRow("six, with a digit") << "state.json.QwErT1" << false;
        QTest::newRow("seven letters") << "state.json.QwErTyU" << false;
        QTest::newRow("no dot") << "state.jsonQwErTy" << false;
        QTest::newRow("longer name") << "state.json.QwErTy.json" << false;
        QTest::newRow("other file's leftover") << "xstate.json.QwErTy" << false;
        QTest::newRow("other case") << "State.json.QwErTy" << false;
        QTest::newRow("kept aside") << "state.damaged-20240131-093000.json" << false;
    }
    void onlyLeftoversAreRemoved()
    {
        QFETCH(QString, name);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        const QString path = dir.filePath("state.json");
        QVERIFY(FileWriter::writeNow(path, "live"));
        QFile other(dir.filePath(name));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.close();
        // One named by Qt itself, as the atomic write names its copy.
        QTemporaryFile made(path);
        made.setAutoRemove(false);
        QVERIFY(made.open());
        const QString madeName = made.fileName(); // named only when asked
        made.close();
        QVERIFY(QFile::exists(madeName));

        FileWriter::shared().removeLeftovers(path);
        FileWriter::shared().drain();
        QVERIFY2(!QFile::exists(madeName), qPrintable(madeName));
        QCOMPARE(QFile::exists(dir.filePath(name)), !removed);
        QFile live(path);
        QVERIFY(live.open(QIODevice::ReadOnly));
        QCOMPARE(live.readAll(), QByteArray("live"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files).size(), removed ? 1 : 2);
    }
};

QTEST_GUILESS_MAIN(TestFileWriter)
#include "tst_filewriter.moc"
