#include "AppScheme.h"
#include "QmlHarness.h"
#include "SymbolImageProvider.h"
#include <QFile>
#include <QTest>
#include <thread>
#include <vector>

namespace {

// Every symbol name the app's screens ask for.
const char kNames[] =
    "a.circle airplane antenna.radiowaves.left.and.right app.badge.fill arrow.counterclockwise "
    "arrow.down.doc.fill arrow.down.right.and.arrow.up.left arrow.triangle.2.circlepath arrow.up.arrow.down "
    "arrow.up.left arrow.up.left.and.arrow.down.right arrow.up.right.square arrowshape.turn.up.right.fill "
    "atom b.circle backward.end.alt.fill backward.end.fill bolt.fill books.vertical.fill calendar "
    "calendar.badge.clock captions.bubble captions.bubble.fill chart.bar chart.bar.fill chart.bar.xaxis "
    "checklist checkmark checkmark.circle.fill checkmark.seal.fill chevron.down chevron.right "
    "chevron.up.chevron.down circle circle.lefthalf.filled clock clock.arrow.circlepath "
    "clock.badge.checkmark.fill clock.badge.xmark clock.fill cpu.fill cup.and.saucer.fill "
    "dot.radiowaves.left.and.right doc.on.clipboard ellipsis.circle exclamationmark.triangle.fill "
    "externaldrive.fill eye eye.slash eye.slash.fill eyeglasses face.smiling.fill film.fill flame fork.knife "
    "forward.end.fill forward.fill gamecontroller.fill gearshape globe gobackward goforward goforward.10 "
    "graduationcap.fill hand.thumbsup hand.thumbsup.fill hand.wave.fill hare headphones house.fill "
    "iphone.radiowaves.left.and.right link list.bullet list.bullet.indent lock lock.open.fill magnifyingglass "
    "moon.zzz music.note music.note.list newspaper.fill pause.fill pencil person.2 person.2.badge.gearshape "
    "person.badge.minus person.crop.circle person.crop.circle.fill pin.fill pip.enter pip.exit "
    "play.circle.fill play.fill play.rectangle.fill play.slash.fill play.square.stack play.square.stack.fill "
    "plus questionmark.folder rectangle.expand.vertical rectangle.fill rectangle.grid.1x2 "
    "rectangle.grid.1x2.fill repeat repeat.1 shuffle sparkles sparkles.tv.fill speaker.slash "
    "speaker.slash.fill speaker.wave.2 speaker.wave.2.fill speedometer sportscourt.fill square.and.arrow.up "
    "square.and.arrow.up.fill square.grid.2x2 square.grid.2x2.fill sun.max sun.max.fill text.badge.plus "
    "text.bubble text.insert textformat.abc textformat.size.larger textformat.size.smaller timer tortoise "
    "trash trash.fill waveform wifi.exclamationmark xmark";

// Pixels that are visibly drawn, and how many of them are close to `tint`.
struct Ink
{
    int drawn = 0;
    int tinted = 0;
};

Ink ink(const QImage &image, const QColor &tint)
{
    Ink result;
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.alpha() < 200)
                continue;
            ++result.drawn;
            if (qAbs(c.red() - tint.red()) < 8 && qAbs(c.green() - tint.green()) < 8
                && qAbs(c.blue() - tint.blue()) < 8)
                ++result.tinted;
        }
    }
    return result;
}

} // namespace

class TestSymbols : public QObject
{
    Q_OBJECT

private slots:
    void everyNameHasItsIcon_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString &n : QString::fromLatin1(kNames).split(' '))
            QTest::newRow(qPrintable(n)) << n;
    }

    void everyNameHasItsIcon()
    {
        QFETCH(QString, name);
        QVERIFY(SymbolImageProvider::isKnown(name));
        QVERIFY(QFile::exists(SymbolImageProvider::resourcePath(name)));
        const QColor tint(255, 45, 85);
        const QImage img = SymbolImageProvider::render(name, QSize(48, 48), tint);
        QCOMPARE(img.size(), QSize(48, 48));
        const Ink i = ink(img, tint);
        QVERIFY2(i.drawn > 20, qPrintable(QString::number(i.drawn)));
        QCOMPARE(i.tinted, i.drawn);
    }

    // A file is parsed once and drawn many times: one drawing leaves
    // nothing behind for the next, whatever its size or colour, and
    // drawings from several threads at once (the image reader's too) come
    // out as one made alone.
    void drawingAgainIsTheSame_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("house") << "house.fill";
        QTest::newRow("wide") << "rectangle.stack";
        QTest::newRow("fallback") << "no.such.symbol";
    }

    void drawingAgainIsTheSame()
    {
        QFETCH(QString, name);
        const QImage first = SymbolImageProvider::render(name, QSize(24, 24), QColor(255, 45, 85));
        SymbolImageProvider::render(name, QSize(97, 40), Qt::blue);
        SymbolImageProvider::render(name, QSize(7, 7), Qt::black);
        QCOMPARE(SymbolImageProvider::render(name, QSize(24, 24), QColor(255, 45, 85)), first);

        std::vector<QImage> drawn(8);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < drawn.size(); ++i)
            threads.emplace_back([&, i] {
                for (int k = 0; k < 20; ++k)
                    drawn[i] = SymbolImageProvider::render(name, QSize(24, 24), QColor(255, 45, 85));
            });
        for (std::thread &t : threads)
            t.join();
        for (const QImage &image : drawn)
            QCOMPARE(image, first);
    }

    void unknownNamesFallBack_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("unknown") << "no.such.symbol";
        QTest::newRow("empty") << "";
        QTest::newRow("upper case") << "Play.Fill";
        QTest::newRow("path") << "../symbols/play.fill";
        QTest::newRow("trailing dot") << "play.";
        QTest::newRow("resource escape") << "play.fill.svg/..";
    }

    void unknownNamesFallBack()
    {
        QFETCH(QString, name);
        QVERIFY(!SymbolImageProvider::isKnown(name));
        const QImage img = SymbolImageProvider::render(name, QSize(32, 32), Qt::black);
        QVERIFY(ink(img, Qt::black).drawn > 20);
        QCOMPARE(img, SymbolImageProvider::render(QStringLiteral("zzz"), QSize(32, 32), Qt::black));
        QVERIFY(img != SymbolImageProvider::render(QStringLiteral("play.fill"), QSize(32, 32), Qt::black));
    }

    void providerReadsColourAndSize_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QSize>("requested");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("tint");

        QTest::newRow("encoded hash") << "play.fill?color=%2300ff00" << QSize(24, 24) << QSize(24, 24)
                                      << QColor(0, 255, 0);
        QTest::newRow("bare hex") << "play.fill?color=0000ff" << QSize(24, 24) << QSize(24, 24)
                                  << QColor(0, 0, 255);
        QTest::newRow("with alpha") << "play.fill?color=%23ffff0000" << QSize(24, 24) << QSize(24, 24)
                                    << QColor(Qt::red);
        QTest::newRow("bad colour is black") << "play.fill?color=notacolour" << QSize(24, 24)
                                             << QSize(24, 24) << QColor(Qt::black);
        QTest::newRow("no colour is black") << "play.fill" << QSize(24, 24) << QSize(24, 24)
                                            << QColor(Qt::black);
        QTest::newRow("no size") << "play.fill" << QSize() << QSize(32, 32) << QColor(Qt::black);
        QTest::newRow("width only") << "play.fill" << QSize(20, 0) << QSize(20, 20) << QColor(Qt::black);
        QTest::newRow("huge") << "play.fill" << QSize(100000, 100000) << QSize(1024, 1024)
                              << QColor(Qt::black);
        QTest::newRow("unknown tinted") << "nope?color=%23ff0000" << QSize(24, 24) << QSize(24, 24)
                                        << QColor(Qt::red);
    }

    void providerReadsColourAndSize()
    {
        QFETCH(QString, id);
        QFETCH(QSize, requested);
        QFETCH(QSize, size);
        QFETCH(QColor, tint);
        SymbolImageProvider provider;
        QSize reported;
        const QImage img = provider.requestImage(id, &reported, requested);
        QCOMPARE(img.size(), size);
        QCOMPARE(reported, size);
        const Ink i = ink(img, tint);
        QVERIFY(i.drawn > 0);
        QCOMPARE(i.tinted, i.drawn);
    }

    void symbolItemDrawsTheIcon()
    {
        QmlHarness h;
        QQuickItem *root = h.loadSource(R"(
            import QtQuick
            import Nimbelora.Platform
            Rectangle {
                color: "white"
                Symbol { objectName: "icon"; x: 10; y: 10; name: "play.fill"; size: 40; color: "red" }
                Symbol { objectName: "unknown"; x: 60; y: 10; name: "no.such.thing"; size: 20 }
                Symbol { objectName: "empty"; x: 90; y: 10 }
            })");
        QVERIFY2(root, qPrintable(h.errors()));
        QQuickItem *icon = h.find("icon");
        QVERIFY(icon);
        QCOMPARE(icon->width(), 40.0);
        QCOMPARE(icon->height(), 40.0);
        QTRY_COMPARE(icon->property("status").toInt(), 1); // Image.Ready
        QCOMPARE(h.find("unknown")->property("status").toInt(), 1);
        QCOMPARE(h.find("empty")->property("status").toInt(), 0); // Image.Null: nothing asked

        const QImage shot = h.window()->grabWindow();
        const qreal dpr = h.window()->devicePixelRatio();
        const QImage area = shot.copy(QRectF(10 * dpr, 10 * dpr, 40 * dpr, 40 * dpr).toRect());
        QVERIFY(ink(area, Qt::red).tinted > 100);
    }

    void symbolFollowsTheSchemeByDefault()
    {
        // Light on purpose: the desktop's own scheme must not decide the test.
        AppScheme::shared().setScheme(1);
        QmlHarness h;
        QQuickItem *root = h.loadSource(R"(
            import QtQuick
            import Nimbelora.Platform
            Symbol { name: "xmark" })");
        QVERIFY2(root, qPrintable(h.errors()));
        QCOMPARE(root->property("color").value<QColor>().rgba(), QColor(Qt::black).rgba());
        QVERIFY(root->property("source").toUrl().toString().startsWith("image://symbol/xmark?color="));
    }
};

QTEST_MAIN(TestSymbols)
#include "tst_symbols.moc"
