#include "FileWriter.h"
#include "TestDirs.h"
#include <QFile>
#include <QTemporaryDir>
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
};

QTEST_GUILESS_MAIN(TestFileWriter)
#include "tst_filewriter.moc"
