#include "Defaults.h"
#include "FakeClock.h"
#include "QmlHarness.h"
#include "TestDirs.h"
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <thread>

namespace {
const QVariantMap kDefaults{
    {QStringLiteral("pref.quality"), 720},
    {QStringLiteral("pref.autoplay"), true},
    {QStringLiteral("pref.captions"), false},
    {QStringLiteral("pref.speed"), 1.0},
    {QStringLiteral("pref.hiddenCats"), QString()},
    {QStringLiteral("pref.sponsorCats"), QStringLiteral("sponsor,selfpromo")},
};
} // namespace

class TestDefaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestDirs::isolate(); }
    void init()
    {
        Defaults::useMemory();
        Defaults::shared().registerDefaults(kDefaults);
    }

    void registeredDefaultsAnswerUntilAValueIsStored()
    {
        auto &d = Defaults::shared();
        QCOMPARE(d.intValue("pref.quality"), 720);
        QCOMPARE(d.stringValue("pref.sponsorCats"), QStringLiteral("sponsor,selfpromo"));
        QVERIFY(!d.contains("pref.quality"));

        d.setValue("pref.quality", 480);
        QCOMPARE(d.intValue("pref.quality"), 480);
        QVERIFY(d.contains("pref.quality"));

        // Registering again replaces the defaults but never a stored value.
        d.registerDefaults({{"pref.quality", 1080}, {"pref.autoplay", false}});
        QCOMPARE(d.intValue("pref.quality"), 480);
        QCOMPARE(d.boolValue("pref.autoplay"), false);
        QVERIFY(!d.value("pref.speed").isValid());

        d.remove("pref.quality");
        QCOMPARE(d.intValue("pref.quality"), 1080);
        // Unknown keys read as empty, not as garbage.
        QCOMPARE(d.intValue("nothing.here"), 0);
        QCOMPARE(d.stringValue("nothing.here"), QString());
    }

    void changeSignalOnlyOnEffectiveChange_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored"); // stored first, before the spy; invalid: none
        QTest::addColumn<QVariant>("next");   // invalid: remove the key
        QTest::addColumn<bool>("signalled");

        QTest::newRow("default written back") << "pref.quality" << QVariant() << QVariant(720) << false;
        QTest::newRow("same value again") << "pref.quality" << QVariant(480) << QVariant(480) << false;
        QTest::newRow("int as double") << "pref.quality" << QVariant() << QVariant(720.0) << false;
        QTest::newRow("int as text") << "pref.quality" << QVariant(480) << QVariant("480") << false;
        QTest::newRow("bool as text") << "pref.autoplay" << QVariant() << QVariant("true") << false;
        QTest::newRow("bool flipped") << "pref.autoplay" << QVariant() << QVariant(false) << true;
        QTest::newRow("double") << "pref.speed" << QVariant(1.5) << QVariant(1.25) << true;
        QTest::newRow("remove the default's twin") << "pref.quality" << QVariant(720) << QVariant() << false;
        QTest::newRow("remove a different value") << "pref.quality" << QVariant(480) << QVariant() << true;
        QTest::newRow("remove a missing key") << "pref.quality" << QVariant() << QVariant() << false;
        QTest::newRow("unregistered new") << "account" << QVariant() << QVariant("{}") << true;
        QTest::newRow("unregistered same") << "account" << QVariant("{}") << QVariant("{}") << false;
    }

    void changeSignalOnlyOnEffectiveChange()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(QVariant, next);
        QFETCH(bool, signalled);
        auto &d = Defaults::shared();
        if (stored.isValid())
            d.setValue(key, stored);
        QSignalSpy changed(&d, &Defaults::changed);
        const int before = d.revision(); // what followers of the whole store watch

        if (next.isValid())
            d.setValue(key, next);
        else
            d.remove(key);

        QCOMPARE(changed.size(), signalled ? 1 : 0);
        QCOMPARE(d.revision() != before, signalled);
        if (signalled)
            QCOMPARE(changed.first().first().toString(), key);
    }

    void registeringSignalsOnlyKeysWhoseValueMoves()
    {
        auto &d = Defaults::shared();
        d.setValue("pref.quality", 480);
        QSignalSpy changed(&d, &Defaults::changed);
        QVariantMap next = kDefaults;
        next["pref.quality"] = 360;     // stored: unaffected
        next["pref.autoplay"] = false;  // unstored: moves
        next["pref.countdown"] = true;  // new key
        next.remove("pref.captions");   // false -> nothing: moves
        d.registerDefaults(next);

        QStringList keys;
        for (const auto &args : changed)
            keys << args.first().toString();
        keys.sort();
        QCOMPARE(keys, (QStringList{"pref.autoplay", "pref.captions", "pref.countdown"}));
    }

    // A store swapped under the app (a fresh one, or a file opened) tells
    // followers of each key, not only those of the whole store.
    void switchingStoresSignalsKeysWhoseValueMoves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        auto &d = Defaults::shared();
        Defaults::useFile(path);
        d.setValue("pref.quality", 1080);
        d.setValue("pref.autoplay", true); // the default's value: moves nothing
        d.setValue("pref.extra", "x");     // no default: back to nothing
        d.sync();

        // Followers of the whole store are told of every swap, too.
        bool toldTheWhole = true;
        const auto movedBy = [&](auto swap) {
            QSignalSpy changed(&d, &Defaults::changed);
            const int before = d.revision();
            swap();
            toldTheWhole = toldTheWhole && d.revision() != before;
            QStringList keys;
            for (const auto &args : changed)
                keys << args.first().toString();
            keys.sort();
            return keys;
        };
        QCOMPARE(movedBy([] { Defaults::useMemory(); }), (QStringList{"pref.extra", "pref.quality"}));
        QCOMPARE(d.intValue("pref.quality"), 720);
        QCOMPARE(movedBy([&] { Defaults::useFile(path); }), (QStringList{"pref.extra", "pref.quality"}));
        QCOMPARE(d.intValue("pref.quality"), 1080);
        QCOMPARE(movedBy([] { Defaults::useMemory(); }).size(), 2);
        QCOMPARE(movedBy([] { Defaults::useMemory(); }), QStringList{});
        QVERIFY(toldTheWhole);
    }

    // What a hand-edited or older INI file holds comes back as text.
    void iniTextIsConverted_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected");

        QTest::newRow("bool false") << "pref.autoplay=false" << "pref.autoplay" << QVariant(false);
        QTest::newRow("bool as 1") << "pref.captions=1" << "pref.captions" << QVariant(true);
        QTest::newRow("bool garbage") << "pref.autoplay=maybe" << "pref.autoplay" << QVariant(true);
        QTest::newRow("int") << "pref.quality=480" << "pref.quality" << QVariant(qint64(480));
        QTest::newRow("int 64-bit") << "pref.quality=9007199254740993" << "pref.quality"
                                    << QVariant(qint64(9007199254740993LL));
        QTest::newRow("int garbage") << "pref.quality=abc" << "pref.quality" << QVariant(qint64(720));
        QTest::newRow("int from decimal") << "pref.quality=360.0" << "pref.quality" << QVariant(qint64(360));
        QTest::newRow("int overflow") << "pref.quality=1e300" << "pref.quality" << QVariant(qint64(720));
        QTest::newRow("double") << "pref.speed=1.5" << "pref.speed" << QVariant(1.5);
        QTest::newRow("double garbage") << "pref.speed=fast" << "pref.speed" << QVariant(1.0);
        QTest::newRow("string of digits") << "pref.hiddenCats=123" << "pref.hiddenCats" << QVariant("123");
        QTest::newRow("string list") << "pref.hiddenCats=\"music,news\"" << "pref.hiddenCats"
                                     << QVariant("music,news");
        QTest::newRow("string list unquoted") << "pref.hiddenCats=music,news" << "pref.hiddenCats"
                                              << QVariant("music,news");
        QTest::newRow("unregistered int") << "x.count=12" << "x.count" << QVariant(qint64(12));
        QTest::newRow("unregistered double") << "x.rate=1.25" << "x.rate" << QVariant(1.25);
        QTest::newRow("unregistered padded digits") << "x.id=007" << "x.id" << QVariant("007");
        QTest::newRow("unregistered text") << "x.name=hola" << "x.name" << QVariant("hola");
    }

    void iniTextIsConverted()
    {
        QFETCH(QString, line);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[General]\n" + line.toUtf8() + "\n");
        f.close();

        Defaults::useFile(path);
        const QVariant v = Defaults::shared().value(key);
        QCOMPARE(v.typeId(), expected.typeId());
        QCOMPARE(v, expected);
    }

    void fileKeepsValuesAcrossReopening()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        auto &d = Defaults::shared();
        Defaults::useFile(path);
        const QVariantMap stored{{"pref.quality", qint64(1080)}, {"pref.autoplay", false},
                                 {"pref.speed", 1.75}, {"pref.hiddenCats", "music,news"}};
        for (auto it = stored.begin(); it != stored.end(); ++it)
            d.setValue(it.key(), it.value());
        d.sync();

        Defaults::useMemory();
        QCOMPARE(d.intValue("pref.quality"), 720);
        Defaults::useFile(path);
        for (auto it = stored.begin(); it != stored.end(); ++it)
            QCOMPARE(d.value(it.key()), it.value());
        // Registered defaults are never written out.
        QVERIFY(!d.contains("pref.captions"));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(!written.readAll().contains("pref.captions"));
        // What the store wrote reads back whole: a further write keeps it.
        d.setValue("pref.captions", true);
        d.sync();
        QVERIFY(QDir(dir.path()).entryList({"settings.damaged-*"}).isEmpty());
        QCOMPARE(d.intValue("pref.quality"), 1080);
        Defaults::useMemory();
    }

    // A file that cannot be read whole starts the app on the defaults; the
    // first write keeps it aside, byte for byte and named as the library's
    // are, and starts a fresh file instead of writing over it.
    void damagedFileIsKeptAsideAtTheFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("write");
        QTest::addColumn<bool>("damaged");
        QByteArray junk;
        for (int i = 0; i < 512; ++i)
            junk += char(i * 73 + 11);
        const QByteArray picture("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe=\x01", 20);
        const QByteArray wrong = "[General]\npref.quality=abc\npref.autoplay=maybe\n";
        QTest::newRow("binary junk") << junk << "set" << true;
        QTest::newRow("picture") << picture << "set" << true;
        QTest::newRow("wrong types") << wrong << "set" << true;
        QTest::newRow("wrong types, removed") << wrong << "remove" << true;
        QTest::newRow("value of another kind") << QByteArray("[General]\npref.quality=@Rect(1 2 3 4)\n") << "set" << true;
        QTest::newRow("truncated in a key") << QByteArray("[General]\npref.autoplay=false\npref.qual") << "set" << true;
        QTest::newRow("truncated in the section") << QByteArray("[Gene") << "set" << true;
        QTest::newRow("sound") << QByteArray("[General]\npref.autoplay=false\nx.name=hola\n") << "set" << false;
    }
    void damagedFileIsKeptAsideAtTheFirstWrite()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, write);
        QFETCH(bool, damaged);
        FakeClock clock;
        QTemporaryDir dir;
        const QString path = dir.filePath("settings.ini");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();

        auto &d = Defaults::shared();
        Defaults::useFile(path);
        QCOMPARE(d.intValue("pref.quality"), 720);
        if (write == "set")
            d.setValue("pref.captions", true);
        else
            d.remove("pref.quality");
        d.sync();

        const QStringList aside = QDir(dir.path()).entryList({"settings.damaged-*.ini"}, QDir::Files);
        if (!damaged) {
            QVERIFY(aside.isEmpty());
            QCOMPARE(d.boolValue("pref.autoplay"), false);
            QCOMPARE(d.stringValue("x.name"), QStringLiteral("hola"));
            Defaults::useMemory();
            return;
        }
        const QString stamp = clock.now().toLocalTime().toString("yyyyMMdd-HHmmss");
        QCOMPARE(aside, QStringList{QStringLiteral("settings.damaged-%1.ini").arg(stamp)});
        QFile kept(dir.filePath(aside.first()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), bytes);
        // The fresh file holds the new setting and nothing of the damaged one.
        QCOMPARE(d.boolValue("pref.autoplay"), true);
        Defaults::useMemory();
        QSettings fresh(path, QSettings::IniFormat);
        QCOMPARE(fresh.status(), QSettings::NoError);
        QCOMPARE(fresh.allKeys(), write == "set" ? QStringList{"pref.captions"} : QStringList{});
        Defaults::useFile(path);
        QCOMPARE(d.boolValue("pref.captions"), write == "set");
        Defaults::useMemory();
    }

    // Readers on other threads while the GUI thread writes and the file syncs.
    void readsFromOtherThreads()
    {
        QTemporaryDir dir;
        Defaults::useFile(dir.filePath("settings.ini"));
        auto &d = Defaults::shared();
        std::atomic<bool> stop = false;
        std::atomic<int> bad = 0;
        std::vector<std::thread> readers;
        for (int i = 0; i < 3; ++i)
            readers.emplace_back([&] {
                while (!stop) {
                    const qint64 q = d.intValue("pref.quality");
                    if (q < 720 || q >= 720 + 50)
                        ++bad;
                    std::this_thread::yield();
                }
            });
        for (int i = 0; i < 50; ++i) {
            d.setValue("pref.quality", 720 + i);
            QCoreApplication::processEvents(); // lets QSettings write its file
        }
        stop = true;
        for (auto &t : readers)
            t.join();
        QCOMPARE(bad.load(), 0);
        Defaults::useMemory();
    }
};

QTEST_MAIN(TestDefaults)
#include "tst_defaults.moc"
