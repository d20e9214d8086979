#include "AppMark.h"
#include "AvatarLook.h"
#include "CornerGradient.h"
#include "DoubleClickTime.h"
#include "Fixtures.h"
#include "ImageLoader.h"
#include "AppScheme.h"
#include "QmlHarness.h"
#include "TestBackend.h"
#include "TestDirs.h"
#include <QCoreApplication>
#include <QRegularExpression>
#include <QTest>
#include <cmath>

namespace {

QByteArray qml(const QByteArray &body)
{
    return "import Nimbelora.Platform\nimport QtQuick\nimport Nimbelora.Foundation\n" + body;
}

QPointF centreOf(QQuickItem *item) { return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)); }

// Made and visible: a look not shown may not be made at all.
bool shows(const QmlHarness &h, const char *objectName)
{
    QQuickItem *item = h.find(QString::fromLatin1(objectName));
    return item && item->isVisible();
}

} // namespace

class TestSmallViews : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestBackend> m_backend;
    QString m_withBoth, m_mediumOnly, m_neither;

    QString avatarUrl(const QString &key) const { return Fixtures::avatarUrl(key, m_backend->origin()); }
    QString thumbUrl(const QString &id, const char *name) const
    {
        return m_backend->origin() + QStringLiteral("/vi/") + id + QLatin1Char('/') + QLatin1String(name)
            + QStringLiteral(".jpg");
    }

private slots:
    void initTestCase()
    {
        TestDirs::isolate();
        m_backend = std::make_unique<TestBackend>();
        QVERIFY2(m_backend->isRunning(), qPrintable(m_backend->error()));
        for (const FxVideo &v : m_backend->fixtures().videos()) {
            if (v.thumbHq && v.thumbMq && m_withBoth.isEmpty())
                m_withBoth = v.id;
            if (!v.thumbHq && v.thumbMq && m_mediumOnly.isEmpty())
                m_mediumOnly = v.id;
            if (!v.thumbHq && !v.thumbMq && m_neither.isEmpty())
                m_neither = v.id;
        }
        QVERIFY(!m_withBoth.isEmpty() && !m_mediumOnly.isEmpty() && !m_neither.isEmpty());
    }
    void cleanupTestCase() { m_backend.reset(); }

    void avatarInitial_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("initial");
        QTest::newRow("lower-case letter") << "ana" << "A";
        QTest::newRow("blanks and punctuation, then a digit") << "  ¡¿-9 lives" << "9";
        QTest::newRow("only punctuation") << "!¿?…" << "?";
        QTest::newRow("empty") << "" << "?";
        QTest::newRow("only blanks") << "   " << "?";
        QTest::newRow("accented") << "élan" << "É";
        QTest::newRow("decomposed accent stays whole") << "e\u0301lan" << "E\u0301";
        QTest::newRow("upper case is longer") << "ßeta" << "SS";
        QTest::newRow("emoji skipped") << "🎬 Cine" << "C";
        QTest::newRow("ideograph") << "日本語チャンネル" << "日";
        QTest::newRow("non-latin digit") << "—٣ canales" << "٣";
    }
    void avatarInitial()
    {
        QFETCH(QString, name);
        QFETCH(QString, initial);
        QCOMPARE(AvatarLook::initial(name), initial);
    }

    void avatarHue_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("degrees");
        // Worked out by hand from h = 7; h = h * 31 + scalar (64-bit wrap); |h| mod 360.
        QTest::newRow("empty") << "" << 7;
        QTest::newRow("one letter") << "a" << 314;
        QTest::newRow("two letters") << "ab" << 112;
        QTest::newRow("product name") << "Nimbelora" << 208;
        QTest::newRow("wraps negative") << "Canal de Historia con un nombre bastante largo" << 255;
        QTest::newRow("wraps positive") << "Nimbelora TV" << 170;
        QTest::newRow("astral scalar counts once") << "🎬" << 333;
        QTest::newRow("precomposed") << "José" << 330;
        QTest::newRow("decomposed differs") << "Jose\u0301" << 67;
        QTest::newRow("ideographs") << "日本語チャンネル" << 23;
    }
    void avatarHue()
    {
        QFETCH(QString, name);
        QFETCH(int, degrees);
        QCOMPARE(AvatarLook::hue(name), degrees / 360.0);
        const QColor tint = AvatarLook::tint(name);
        QCOMPARE(qRound(tint.hsvHueF() * 360), degrees);
        QCOMPARE(qRound(tint.hsvSaturationF() * 100), 55);
        QCOMPARE(qRound(tint.valueF() * 100), 78);
        QCOMPARE(tint.alphaF(), 1.0f);
    }

    void avatarViewWithoutUrlShowsTheInitial()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("AvatarView { name: \"ana\"; size: 50 }")), qPrintable(h.errors()));
        QCOMPARE(h.root()->width(), 50.0);
        QVERIFY(shows(h, "avatarFallback"));
        QVERIFY(!shows(h, "avatarImage"));
        QQuickItem *initial = h.find("avatarInitial");
        QVERIFY(initial && initial->isVisible());
        QCOMPARE(initial->property("text").toString(), QStringLiteral("A"));
        QCOMPARE(initial->property("font").value<QFont>().pixelSize(), 21);
        QCOMPARE(initial->property("font").value<QFont>().weight(), QFont::DemiBold);
    }

    void avatarViewWithUrlShowsThePicture()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("AvatarView { size: 40 }"),
                              {{"name", "Canal"}, {"url", avatarUrl(QStringLiteral("UCavatar1"))}}),
                 qPrintable(h.errors()));
        QQuickItem *picture = h.find("avatarImage");
        QVERIFY(picture && picture->isVisible());
        QVERIFY(!shows(h, "avatarFallback"));
        QVERIFY(!shows(h, "avatarInitial"));
        QVERIFY(h.waitFor([&] { return picture->property("loaded").toBool(); }, 20000));
    }

    // One look at a time, whichever way the address changes.
    void avatarViewSwapsItsLookWithTheUrl()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("AvatarView { size: 40 }"), {{"name", "Ana"}, {"url", QString()}}),
                 qPrintable(h.errors()));
        const QString url = avatarUrl(QStringLiteral("UCavatar1"));
        const QList<QPair<QString, bool>> steps{
            {url, true}, {QString(), false}, {QStringLiteral("http://[bad"), false}, {url, true}};
        for (const auto &[next, picture] : steps) {
            h.root()->setProperty("url", next);
            // The look given up goes at the next turn of the event loop.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(h.root()->property("hasPicture").toBool(), picture);
            QCOMPARE(shows(h, "avatarImage"), picture);
            QCOMPARE(shows(h, "avatarFallback"), !picture);
            QCOMPARE(shows(h, "avatarInitial"), !picture);
            QCOMPARE(QmlHarness::findAllIn(h.root(), QStringLiteral("avatarImage")).size(), picture ? 1 : 0);
        }
        // Whatever it shows, it keeps the size it was given, for layouts too.
        QCOMPARE(h.root()->implicitWidth(), 40.0);
        QCOMPARE(h.root()->implicitHeight(), 40.0);
        QQuickItem *picture = h.find("avatarImage");
        QCOMPARE(picture->size(), QSizeF(40, 40));
        QVERIFY(h.waitFor([&] { return picture->property("loaded").toBool(); }, 20000));
    }

    void avatarViewWithAFailingUrlKeepsTheGreyCircle_data()
    {
        QTest::addColumn<QString>("url");
        QTest::newRow("local file") << "file:///etc/hostname";
        QTest::newRow("missing picture") << "%1/img/none.png";
    }
    void avatarViewWithAFailingUrlKeepsTheGreyCircle()
    {
        QFETCH(QString, url);
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("AvatarView { size: 40 }"), {{"name", "Ana"}, {"url", QString(url).replace(QStringLiteral("%1"), m_backend->origin())}}),
                 qPrintable(h.errors()));
        QQuickItem *picture = h.find("avatarImage");
        QVERIFY(picture && picture->isVisible());
        QVERIFY(!shows(h, "avatarFallback"));
        QVERIFY(!shows(h, "avatarInitial"));
        QTest::qWait(300);
        QVERIFY(!picture->property("loaded").toBool());
    }

    void remoteImageKeepsTheLastPictureWhenTheUrlGoes()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("RemoteImage { width: 60; height: 60 }"),
                              {{"url", avatarUrl(QStringLiteral("UCkeep"))}}),
                 qPrintable(h.errors()));
        QVERIFY(h.waitFor([&] { return h.root()->property("loaded").toBool(); }, 20000));
        const QUrl shown = h.root()->property("shown").toUrl();
        h.root()->setProperty("url", QString());
        QTest::qWait(100);
        QVERIFY(h.root()->property("loaded").toBool());
        QCOMPARE(h.root()->property("shown").toUrl(), shown);
    }

    void thumbLoadsTheFirstAvailablePicture_data()
    {
        QTest::addColumn<int>("which"); // 0 both, 1 medium only, 2 neither
        QTest::newRow("large") << 0;
        QTest::newRow("large missing, medium shown") << 1;
        QTest::newRow("neither: placeholder stays") << 2;
    }
    void thumbLoadsTheFirstAvailablePicture()
    {
        QFETCH(int, which);
        const QString id = which == 0 ? m_withBoth : which == 1 ? m_mediumOnly : m_neither;
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("Thumb { width: 320 }"), {{"videoId", id}}), qPrintable(h.errors()));
        QCOMPARE(h.root()->height(), 180.0);
        QQuickItem *image = h.find("thumbImage");
        if (which == 2) {
            QTest::failOnWarning(QRegularExpression(QStringLiteral("Image")));
            QVERIFY(h.waitFor([&] { return image->property("status").toInt() == 3; }, 20000)); // Image.Error
            QVERIFY(!h.root()->property("loaded").toBool());
            return;
        }
        QVERIFY(h.waitFor([&] { return h.root()->property("loaded").toBool(); }, 20000));
        // Kept in memory at the size shown (offscreen has one pixel per point).
        const QSize frame(320, 180);
        const QImage large = ImageLoader::shared().cached(QUrl(thumbUrl(id, "hq720")), frame);
        const QImage medium = ImageLoader::shared().cached(QUrl(thumbUrl(id, "mqdefault")), frame);
        const QImage &shown = which == 0 ? large : medium;
        QVERIFY(!shown.isNull());
        QCOMPARE(image->property("implicitWidth").toReal(), qreal(shown.width()));
        QCOMPARE(large.isNull(), which == 1);
        // Never decoded larger than the frame it fills.
        QVERIFY(shown.width() <= frame.width() && shown.height() <= frame.height());
        QVERIFY(ImageLoader::shared().cached(QUrl(thumbUrl(id, "hq720"))).isNull());
    }

    void thumbAlreadyInMemoryShowsAtOnce()
    {
        QmlHarness first;
        QVERIFY(first.loadSource(qml("Thumb { width: 200 }"), {{"videoId", m_withBoth}}));
        QVERIFY(first.waitFor([&] { return first.root()->property("loaded").toBool(); }, 20000));

        QmlHarness second;
        QVERIFY(second.loadSource(qml("Thumb { width: 200 }"), {{"videoId", m_withBoth}}));
        QVERIFY(second.root()->property("instant").toBool());
        QmlHarness other;
        QVERIFY(other.loadSource(qml("Thumb { width: 200 }"), {{"videoId", m_mediumOnly}}));
        QVERIFY(!other.root()->property("instant").toBool());
    }

    // The fill shows until the picture covers the frame, and again when the
    // frame is given a video whose picture is not there yet.
    void thumbFillsOnlyUntilThePictureCovers_data()
    {
        QTest::addColumn<QString>("which");
        QTest::newRow("picture") << u"both"_qs;
        QTest::newRow("no picture") << u"neither"_qs;
        QTest::newRow("no video") << QString();
    }
    void thumbFillsOnlyUntilThePictureCovers()
    {
        QFETCH(QString, which);
        const QString id = which == u"both"_qs ? m_withBoth : which == u"neither"_qs ? m_neither : QString();
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("Thumb { width: 240; fill: \"#336699\" }"), {{"videoId", id}}), qPrintable(h.errors()));
        QQuickItem *thumb = h.root();
        const auto colour = [&] { return thumb->property("color").value<QColor>(); };
        if (which != u"both"_qs) {
            QTest::qWait(600);
            QCOMPARE(colour(), QColor("#336699"));
            return;
        }
        QVERIFY(h.waitFor([&] { return thumb->property("loaded").toBool(); }, 20000));
        QVERIFY(h.waitFor([&] { return colour().alpha() == 0; }, 3000));
        thumb->setProperty("videoId", m_neither);
        QVERIFY(h.waitFor([&] { return colour() == QColor("#336699"); }, 3000));
    }

    void errorState_data()
    {
        QTest::addColumn<bool>("withRetry");
        QTest::newRow("with retry") << true;
        QTest::newRow("without retry") << false;
    }
    void errorState()
    {
        QFETCH(bool, withRetry);
        QmlHarness h;
        const QByteArray source = withRetry
            ? "ErrorState { id: e; property int count: 0; width: 400; message: \"El servidor no responde.\"; retry: () => e.count++ }"
            : "ErrorState { property int count: 0; width: 400; message: \"El servidor no responde.\" }";
        QVERIFY2(h.loadSource(qml(source)), qPrintable(h.errors()));
        QCOMPARE(h.find("emptyTitle")->property("text").toString(), QStringLiteral("No se pudo cargar"));
        QCOMPARE(h.find("emptyDescription")->property("text").toString(), QStringLiteral("El servidor no responde."));
        QQuickItem *button = h.find("retryButton");
        QCOMPARE(button->isVisible(), withRetry);
        if (!withRetry) {
            QVERIFY(!h.click(button));
            return;
        }
        QCOMPARE(button->property("text").toString(), QStringLiteral("Reintentar"));
        const DoubleClickTime doubleClick(1000);
        QVERIFY(h.click(button));
        // The second click of a double click is the same retry.
        QVERIFY(h.click(button));
        QCOMPARE(h.root()->property("count").toInt(), 1);
        doubleClick.passes();
        QVERIFY(h.click(button));
        QCOMPARE(h.root()->property("count").toInt(), 2);
        // The margin above the whole view.
        QVERIFY(h.find("emptyTitle")->mapToItem(h.root(), QPointF()).y() >= 40);
    }

    void pressableStyleShrinksAndFadesWhilePressed()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("Item { PressableStyle { objectName: \"card\"; property int clicks: 0; x: 50; y: 50;"
                                  " width: 200; height: 100; onClicked: clicks++ } }")),
                 qPrintable(h.errors()));
        QQuickItem *card = h.find("card");
        QCOMPARE(card->scale(), 1.0);
        QCOMPARE(card->opacity(), 1.0);

        QTest::mousePress(h.window(), Qt::LeftButton, {}, centreOf(card).toPoint());
        QVERIFY(h.waitFor([&] { return qAbs(card->scale() - 0.975) < 1e-3 && qAbs(card->opacity() - 0.92) < 1e-3; }, 3000));
        QTest::mouseRelease(h.window(), Qt::LeftButton, {}, centreOf(card).toPoint());
        QVERIFY(h.waitFor([&] { return qAbs(card->scale() - 1) < 1e-3 && qAbs(card->opacity() - 1) < 1e-3; }, 3000));
        QCOMPARE(card->property("clicks").toInt(), 1);
    }

    void appMarkGeometry()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("Item { AppMark { objectName: \"mark\"; size: 100 } }")), qPrintable(h.errors()));
        QQuickItem *mark = h.find("mark");
        QCOMPARE(mark->width(), 100.0);
        QCOMPARE(mark->property("cornerRadius").toReal(), 22.5);

        // The last tile is the triangle's tip, on the middle row.
        const QRectF tip = AppMark::tileRect(100, 14);
        QVERIFY(qAbs(tip.width() - 10.4) < 1e-9);
        QVERIFY(qAbs(AppMark::tileRadius(100) - 3.328) < 1e-9);
        QVERIFY(qAbs(tip.center().x() - 50 - 23.8088) < 1e-9);
        QVERIFY(qAbs(tip.center().y() - 50) < 1e-9);
        // The top tile of the first column: column 0, row -2.
        const QRectF top = AppMark::tileRect(100, 0);
        QVERIFY(qAbs(top.center().x() - (50 + 0.6 - 2 * 11.6044)) < 1e-9);
        QVERIFY(qAbs(top.center().y() - (50 - 2 * 13.4)) < 1e-9);
        // Every tile lies inside the rounded square, none on another.
        for (int i = 0; i < AppMark::tileCount; ++i) {
            QVERIFY(QRectF(15, 15, 70, 70).contains(AppMark::tileRect(100, i)));
            for (int j = 0; j < i; ++j)
                QVERIFY(!AppMark::tileRect(100, i).intersects(AppMark::tileRect(100, j)));
        }

        // Painted: the corner stays clear, the middle of the tip is a tile.
        const QImage picture = h.window()->grabWindow();
        const QPointF origin = mark->mapToScene(QPointF(0, 0));
        const QColor outside = picture.pixelColor((origin + QPointF(300, 300)).toPoint());
        QCOMPARE(picture.pixelColor((origin + QPointF(1, 1)).toPoint()), outside);
        const QColor inside = picture.pixelColor((origin + QPointF(50, 5)).toPoint());
        QVERIFY2(inside.red() > 200 && inside.green() < 160, qPrintable(inside.name()));
        const QColor tile = picture.pixelColor((origin + tip.center()).toPoint());
        QVERIFY2(tile.red() > 240 && tile.green() > 200, qPrintable(tile.name()));
    }

    void cornerGradientOutline_data()
    {
        QTest::addColumn<QSizeF>("size");
        QTest::addColumn<qreal>("radius");
        QTest::addColumn<qreal>("cornerGap"); // from the box's corner to its arc
        QTest::newRow("square corners") << QSizeF(80, 30) << 0.0 << 0.0;
        QTest::newRow("pill") << QSizeF(100, 34) << 17.0 << 17 * (M_SQRT2 - 1);
        QTest::newRow("radius past half the height") << QSizeF(100, 34) << 40.0 << 17 * (M_SQRT2 - 1);
        QTest::newRow("negative radius") << QSizeF(40, 40) << -5.0 << 0.0;
        QTest::newRow("no height") << QSizeF(30, 0) << 4.0 << -1.0;
    }
    void cornerGradientOutline()
    {
        QFETCH(QSizeF, size);
        QFETCH(qreal, radius);
        QFETCH(qreal, cornerGap);
        const QColor from(255, 84, 110), to(120, 0, 40, 128);
        const QList<CornerGradient::Vertex> v = CornerGradient::outline(size, radius, from, to);
        if (cornerGap < 0) {
            QVERIFY(v.isEmpty());
            return;
        }
        QVERIFY(v.size() >= 5);
        QCOMPARE(QPointF(v.first().x, v.first().y), QPointF(size.width() / 2, size.height() / 2));
        // Within the box, and the colour runs from the top leading corner
        // to the bottom trailing one, alpha too.
        qreal nearTopLeft = 1e9, nearBottomRight = 1e9;
        for (const CornerGradient::Vertex &p : v) {
            QVERIFY(p.x >= -1e-4 && p.x <= size.width() + 1e-4 && p.y >= -1e-4 && p.y <= size.height() + 1e-4);
            const qreal t = (p.x * size.width() + p.y * size.height())
                            / (size.width() * size.width() + size.height() * size.height());
            QVERIFY(qAbs(p.color.redF() - (from.redF() + (to.redF() - from.redF()) * t)) < 1e-3);
            QVERIFY(qAbs(p.color.alphaF() - (from.alphaF() + (to.alphaF() - from.alphaF()) * t)) < 1e-3);
            nearTopLeft = std::min<qreal>(nearTopLeft, std::hypot(p.x, p.y));
            nearBottomRight = std::min<qreal>(nearBottomRight, std::hypot(size.width() - p.x, size.height() - p.y));
        }
        // Nothing in the cut corners, and the outline follows the arcs.
        for (qreal gap : {nearTopLeft, nearBottomRight})
            QVERIFY2(gap > cornerGap - 0.01 && gap < cornerGap + 0.5, qPrintable(QString::number(gap)));
    }

    void cornerGradientDrawn()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("Rectangle { width: 200; height: 80; color: \"white\"\n"
                                  "CornerGradient { objectName: \"fill\"; x: 20; y: 10; width: 160; height: 60; radius: 30\n"
                                  "from: \"#ff0000\"; to: \"#0000ff\" } }")),
                 qPrintable(h.errors()));
        QQuickItem *fill = h.find("fill");
        const QImage shot = h.window()->grabWindow();
        auto at = [&](qreal x, qreal y) { return shot.pixelColor(fill->mapToScene(QPointF(x, y)).toPoint()); };
        // The rounded corners are cut: the box's corner shows what is behind.
        QCOMPARE(at(1, 1), QColor(Qt::white));
        QCOMPARE(at(158, 58), QColor(Qt::white));
        // Red at the start, blue at the end, and down a column it deepens too.
        QVERIFY2(at(32, 12).red() > 200 && at(32, 12).blue() < 60, qPrintable(at(32, 12).name()));
        QVERIFY2(at(128, 48).blue() > 200 && at(128, 48).red() < 60, qPrintable(at(128, 48).name()));
        QVERIFY(at(80, 5).blue() + 10 < at(80, 55).blue());
    }

    void wordmark()
    {
        QmlHarness h;
        QVERIFY2(h.loadSource(qml("Item { Wordmark { objectName: \"wordmark\" } }")), qPrintable(h.errors()));
        QQuickItem *name = h.find("wordmarkName");
        QCOMPARE(name->property("text").toString(), QStringLiteral("Nimbelora"));
        const QFont font = name->property("font").value<QFont>();
        QCOMPARE(font.pixelSize(), 21);
        QCOMPARE(font.weight(), QFont::Bold);
        QVERIFY(qAbs(font.letterSpacing() + 0.4) < 0.02); // QFont keeps 1/64 px
        QCOMPARE(h.find("wordmark")->height(), 28.0); // the mark is the taller of the two
    }

    // Not an assertion on pixels: pictures of the views for a person to look at.
    void renderForLooking_data()
    {
        QTest::addColumn<int>("scheme");
        QTest::newRow("light") << 1;
        QTest::newRow("dark") << 2;
    }
    void renderForLooking()
    {
        QFETCH(int, scheme);
        AppScheme::shared().setScheme(scheme);
        auto restore = qScopeGuard([] { AppScheme::shared().setScheme(0); });
        QmlHarness h;
        const QByteArray source = R"(
Rectangle {
    anchors.fill: parent
    color: Colors.background
    Column {
        x: 16; y: 16; width: parent.width - 32; spacing: 20
        Wordmark { objectName: "wordmark" }
        Row {
            objectName: "marks"; spacing: 16
            AppMark { size: 120 }
            AppMark { size: 64; anchors.verticalCenter: parent.verticalCenter }
            AppMark { size: 28; anchors.verticalCenter: parent.verticalCenter }
        }
        Thumb { objectName: "thumb"; width: parent.width; videoId: thumbId }
        Row {
            objectName: "avatars"; spacing: 12
            AvatarView { name: "Ana"; size: 48 }
            AvatarView { name: "Canal de Historia"; size: 48 }
            AvatarView { name: "¡9 vidas!"; size: 48 }
            AvatarView { name: "…"; size: 48 }
            AvatarView { objectName: "avatarWithPicture"; name: "Foto"; url: avatar; size: 48 }
        }
        ErrorState { objectName: "error"; width: parent.width; message: "No se ha podido conectar con el servidor."; retry: () => {} }
    }
}
)";
        QVERIFY2(h.loadSource(qml("Item { property string thumbId; property string avatar\n"
                                  + source + "}"),
                              {{"thumbId", m_withBoth}, {"avatar", avatarUrl(QStringLiteral("UCpicture"))}}),
                 qPrintable(h.errors()));
        QQuickItem *thumb = h.find("thumb");
        QQuickItem *avatar = h.find("avatarWithPicture");
        QVERIFY(h.waitFor([&] {
            return thumb->property("loaded").toBool() && QmlHarness::findIn(avatar, QStringLiteral("avatarImage"))->property("loaded").toBool();
        }, 20000));
        QTest::qWait(400); // let the fades finish

        const QImage shot = h.window()->grabWindow();
        QVERIFY(!shot.isNull());
        const QString dir = QCoreApplication::applicationDirPath();
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        QVERIFY(shot.save(dir + QStringLiteral("/smallviews-%1.png").arg(tag)));
        const qreal dpr = shot.devicePixelRatio();
        for (const char *name : {"wordmark", "marks", "thumb", "avatars", "error"}) {
            QQuickItem *item = h.find(QLatin1String(name));
            const QRectF r = item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
            const QRect px((r.topLeft() * dpr).toPoint(), (r.size() * dpr).toSize());
            QVERIFY(shot.copy(px).save(dir + QStringLiteral("/smallviews-%1-%2.png").arg(tag, QLatin1String(name))));
        }
    }

    // A digit text is as wide as a row of one Text per character would be,
    // each digit in a cell of the widest digit, and as high as a Text; the
    // same number of digits keeps one width whatever they are.
    void digitTextWidths_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sameWidthAs");
        QTest::newRow("short time") << "1:11" << "8:08";
        QTest::newRow("long time") << "1:01:11" << "9:59:58";
        QTest::newRow("digits only") << "111" << "000";
        QTest::newRow("live") << "DIRECTO" << "DIRECTO";
        QTest::newRow("mixed") << "x1 ·7" << "x8 ·0";
        QTest::newRow("empty") << "" << "";
    }
    void digitTextWidths()
    {
        QFETCH(QString, text);
        QFETCH(QString, sameWidthAs);
        QmlHarness h;
        QVERIFY2(h.loadSource(qml(R"(
            Item {
                property string text
                property alias digits: digits
                property alias reference: reference
                property alias whole: whole
                DigitText { id: digits; text: parent.text; font: TextStyle.font(11, Font.DemiBold); color: "#204080" }
                Row {
                    id: reference
                    y: 40
                    Repeater {
                        model: digits.text.length
                        Text {
                            required property int index
                            readonly property string character: digits.text.charAt(index)
                            width: character >= "0" && character <= "9" ? widest.width : implicitWidth
                            horizontalAlignment: Text.AlignHCenter
                            text: character
                            textFormat: Text.PlainText
                            font: digits.font
                            color: digits.color
                        }
                    }
                }
                Text { id: whole; y: 80; text: "0"; font: digits.font }
                FontMetrics { id: metrics; font: digits.font }
                Item {
                    id: widest
                    width: {
                        let w = 0
                        for (let d = 0; d <= 9; ++d)
                            w = Math.max(w, metrics.advanceWidth(String(d)))
                        return Math.ceil(w)
                    }
                }
            })"), {{"text", text}}), qPrintable(h.errors()));
        auto *digits = h.root()->property("digits").value<QQuickItem *>();
        auto *reference = h.root()->property("reference").value<QQuickItem *>();
        auto *whole = h.root()->property("whole").value<QQuickItem *>();
        QCOMPARE(digits->implicitWidth(), reference->implicitWidth());
        QCOMPARE(digits->implicitHeight(), text.isEmpty() ? 0.0 : whole->implicitHeight());
        QCOMPARE(digits->width(), digits->implicitWidth());
        // And it draws as that row does, pixel for pixel.
        if (!text.isEmpty()) {
            QVERIFY(QTest::qWaitForWindowExposed(h.window()));
            const QImage shot = h.window()->grabWindow();
            auto region = [&](QQuickItem *item) {
                const QPointF at = item->mapToScene(QPointF(0, 0));
                return shot.copy(QRect(at.toPoint(), QSize(qCeil(item->width()), qCeil(item->height()))));
            };
            const QImage drawn = region(digits);
            QVERIFY(!drawn.isNull());
            QCOMPARE(drawn, region(reference));
            bool inked = false;
            for (int y = 0; y < drawn.height() && !inked; ++y)
                for (int x = 0; x < drawn.width() && !inked; ++x)
                    inked = drawn.pixel(x, y) != drawn.pixel(0, 0);
            QVERIFY(inked);
        }
        const qreal width = digits->implicitWidth();
        h.root()->setProperty("text", sameWidthAs);
        QCOMPARE(digits->implicitWidth(), width);
        QCOMPARE(digits->implicitWidth(), reference->implicitWidth());
        QCOMPARE(digits->property("text").toString(), sameWidthAs);
    }

};

QTEST_MAIN(TestSmallViews)
#include "tst_smallviews.moc"
