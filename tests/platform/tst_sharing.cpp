#include "Defaults.h"
#include "Haptics.h"
#include "Opener.h"
#include "Pasteboard.h"
#include "ShareSheet.h"
#include "TestDirs.h"
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSharing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        TestDirs::isolate();
        Opener::setHandler([](const QUrl &) { return true; });
    }

    void init()
    {
        Defaults::useMemory();
        Haptics::shared().setEnabled(true);
        Haptics::shared().clear();
        Opener::shared().clear();
        ShareSheet::shared().dismiss();
    }

    void hapticsGiveNothingWhileOff()
    {
        auto &h = Haptics::shared();
        h.light();
        h.setEnabled(false);
        h.success();
        h.light();
        h.setEnabled(true);
        h.success();
        QCOMPARE(h.given(), (QStringList{"light", "success"}));
    }

    void openerTakesOnlyWebLinks_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("opened");
        QTest::newRow("https") << "https://www.example.org/watch?v=abc" << true;
        QTest::newRow("plain http") << "http://www.example.org/watch?v=abc" << true;
        QTest::newRow("mailto") << "mailto:hola@example.org" << true;
        QTest::newRow("file") << "file:///etc/passwd" << false;
        QTest::newRow("javascript") << "javascript:alert(1)" << false;
        QTest::newRow("own scheme") << "nimbelora://watch?v=abc" << false;
        QTest::newRow("no host") << "https://" << false;
        QTest::newRow("relative") << "watch?v=abc" << false;
        QTest::newRow("empty") << "" << false;
    }

    void openerTakesOnlyWebLinks()
    {
        QFETCH(QString, url);
        QFETCH(bool, opened);
        QCOMPARE(Opener::shared().open(QUrl(url)), opened);
        QCOMPARE(Opener::shared().opened().size(), opened ? 1 : 0);
    }

    void shareKinds_data()
    {
        QTest::addColumn<QVariant>("item");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        const QString link = "https://www.example.org/watch?v=abc&t=42";
        QTest::newRow("url") << QVariant(QUrl(link)) << int(ShareSheet::Link) << link;
        QTest::newRow("link as text") << QVariant(link) << int(ShareSheet::Link) << link;
        QTest::newRow("plain text") << QVariant("Mira esto") << int(ShareSheet::Text) << "Mira esto";
        QTest::newRow("file") << QVariant(QUrl::fromLocalFile("/tmp/Nimbelora-2024-05-01.json"))
                              << int(ShareSheet::File) << "/tmp/Nimbelora-2024-05-01.json";
        QTest::newRow("own scheme url") << QVariant(QUrl("nimbelora://watch?v=abc")) << int(ShareSheet::None)
                                        << "";
        QTest::newRow("empty text") << QVariant(QString()) << int(ShareSheet::None) << "";
        QTest::newRow("nothing") << QVariant() << int(ShareSheet::None) << "";
    }

    void shareKinds()
    {
        QFETCH(QVariant, item);
        QFETCH(int, kind);
        QFETCH(QString, text);
        auto &s = ShareSheet::shared();
        QCOMPARE(s.share(item, "Título"), kind != ShareSheet::None);
        QCOMPARE(s.active(), kind != ShareSheet::None);
        if (kind == ShareSheet::None)
            return;
        QCOMPARE(int(s.kind()), kind);
        QCOMPARE(s.text(), text);
        QCOMPARE(s.title(), QStringLiteral("Título"));
    }

    void linkSheetCopiesAndOpens()
    {
        auto &s = ShareSheet::shared();
        const QUrl link("https://www.example.org/watch?v=abc");
        QVERIFY(s.share(link));
        Pasteboard::shared().setString("old");
        s.copyLink();
        QCOMPARE(Pasteboard::shared().string(), link.toString());
        QVERIFY(s.openInBrowser());
        QCOMPARE(Opener::shared().opened(), QList<QUrl>{link});
        // A link is no file to save: it fails at once.
        QSignalSpy saved(&s, &ShareSheet::saveFinished);
        s.saveFileTo("/tmp/x.json");
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved.first().at(0).toBool(), false);

        // A plain text cannot be opened; copying copies the text.
        QVERIFY(s.share(QStringLiteral("hola")));
        QVERIFY(!s.openInBrowser());
        s.copyLink();
        QCOMPARE(Pasteboard::shared().string(), QStringLiteral("hola"));
        QCOMPARE(Opener::shared().opened().size(), 1);
        s.dismiss();
        QVERIFY(!s.active());
    }

    void fileSheetSavesACopy_data()
    {
        QTest::addColumn<bool>("asUrl");
        QTest::addColumn<bool>("sourceExists");
        QTest::addColumn<bool>("ok");
        QTest::newRow("path") << false << true << true;
        QTest::newRow("file url") << true << true << true;
        QTest::newRow("source gone") << false << false << false;
    }

    void fileSheetSavesACopy()
    {
        QFETCH(bool, asUrl);
        QFETCH(bool, sourceExists);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const QString from = dir.filePath("Nimbelora-2024-05-01.json");
        const QByteArray body = R"({"history":[],"liked":[]})";
        if (sourceExists) {
            QFile f(from);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(body);
        }
        const QString to = dir.filePath("copia.json");
        {
            QFile existing(to);
            QVERIFY(existing.open(QIODevice::WriteOnly));
            existing.write("previous");
        }

        auto &s = ShareSheet::shared();
        QVERIFY(s.share(QUrl::fromLocalFile(from)));
        QCOMPARE(s.fileName(), QStringLiteral("Nimbelora-2024-05-01.json"));
        QSignalSpy finished(&s, &ShareSheet::saveFinished);
        s.saveFileTo(asUrl ? QUrl::fromLocalFile(to).toString() : to);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(finished.first().at(0).toBool(), ok);
        QCOMPARE(finished.first().at(1).toString(), to);
        QVERIFY(!s.saving());

        QFile result(to);
        QVERIFY(result.open(QIODevice::ReadOnly));
        // A failed copy leaves what was there.
        QCOMPARE(result.readAll(), ok ? body : QByteArray("previous"));
    }
};

QTEST_MAIN(TestSharing)
#include "tst_sharing.moc"
