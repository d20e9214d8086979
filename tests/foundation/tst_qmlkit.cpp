#include "AppScheme.h"
#include "DoubleClickTime.h"
#include "Pasteboard.h"
#include "QmlHarness.h"
#include <QEasingCurve>
#include <QGuiApplication>
#include <QStyleHints>
#include <algorithm>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QtMath>

namespace {

const QByteArray kImports = "import QtQuick\nimport QtQuick.Controls.Basic\nimport Nimbelora.Platform\nimport Nimbelora.Foundation\n";

// Popups live in the window's overlay, outside the root's object tree: walk the items.
bool hasText(QQuickItem *item, const QString &text)
{
    if (item->property("text").toString() == text)
        return true;
    const auto children = item->childItems();
    return std::any_of(children.begin(), children.end(), [&](QQuickItem *c) { return hasText(c, text); });
}

QPoint centreOf(QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

} // namespace

class TestQmlKit : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void componentsLoad_data();
    void componentsLoad();

    void springCurveMatchesPeak_data();
    void springCurveMatchesPeak();

    void adaptiveGridColumns_data();
    void adaptiveGridColumns();

    void bottomSheetDismissal_data();
    void bottomSheetDismissal();

    void contextMenuOpensAndTriggers_data();
    void contextMenuOpensAndTriggers();
    void contextMenuFitsItsLabels_data();
    void contextMenuFitsItsLabels();

    void fullScreenCoverFollowsBinding();
    void closingCoverTakesNoPress_data();
    void closingCoverTakesNoPress();

    void toastReplacesAndExpires();

    void pullToRefreshKeys_data();
    void pullToRefreshKeys();
    void pullToRefreshGesture_data();
    void pullToRefreshGesture();
    void pullToRefreshMakesRoom();

    void appearanceTransitions_data();
    void appearanceTransitions();
    void appearanceOnPageRemoval();

    void swipeRow_data();
    void swipeRow();
    void swipeRowButtonsFitTheirLabels_data();
    void swipeRowButtonsFitTheirLabels();
    void swipeRowTakenOutByItsAction_data();
    void swipeRowTakenOutByItsAction();

    void fadingButton_data();
    void fadingButton();
    void borderedButton_data();
    void borderedButton();

    void sheetLoader_data();
    void sheetLoader();

    void segmentedPickerSelects();
    void searchFieldAcceptsAndClears();
    void focusedTextLeavesTheWindowKeys_data();
    void focusedTextLeavesTheWindowKeys();

    void closingSheetTakesTheWholeDoubleClick_data();
    void closingSheetTakesTheWholeDoubleClick();

    void sideScrollerWheel_data();
    void sideScrollerWheel();
    void sideScrollerReveals_data();
    void sideScrollerReveals();

    void dialogsAnswerOnce_data();
    void dialogsAnswerOnce();
};

void TestQmlKit::init()
{
    // Any QML warning (binding loop, type error, unknown property) fails the test.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("qrc:/")));
}

// The behaviour tests below load every other component under the same no-warning rule.
void TestQmlKit::componentsLoad_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("BottomSheet") << QByteArray(
        "BottomSheet { id: s; title: \"Cuenta\"; trailing: Button { text: \"Hecho\" }\n"
        "  Text { text: \"x\" }\n  Component.onCompleted: Qt.callLater(s.open) }");
    QTest::newRow("EmptyState") << QByteArray(
        "EmptyState { anchors.fill: parent; symbol: \"list.bullet\"; title: \"Cola vacía\"; description: \"d\"\n"
        "  Button { text: \"Crear lista\" } }");
    QTest::newRow("CornerMask") << QByteArray(
        "Rectangle { width: 160; height: 90; color: \"red\"; CornerMask { anchors.fill: parent; radius: 12 } }");
    QTest::newRow("BorderedButton") << QByteArray(
        "Row { BorderedButton { text: \"Reproducir\"; symbol: \"play.fill\"; prominent: true } BorderedButton { text: \"Aleatorio\" } }");
    QTest::newRow("AlertFrame") << QByteArray(
        "AlertFrame { id: a; title: \"Aviso\"; message: \"Texto\"\n"
        "  buttons: [AlertFrame.Action { text: \"Uno\" }, AlertFrame.Action { text: \"Dos\"; bold: true }]\n"
        "  Component.onCompleted: Qt.callLater(a.open) }");
    QTest::newRow("SheetBarButton") << QByteArray(
        "Row { SheetBarButton { text: \"Hecho\"; emphasized: true } SheetBarButton { symbol: \"plus\" } }");
    QTest::newRow("SoftShadow") << QByteArray(
        "Item { x: 20; y: 20; width: 76; height: 76; SoftShadow { anchors.fill: parent; radius: 17; spread: 10.5; offsetY: 6 } }");
    QTest::newRow("Spring") << QByteArray(
        "Rectangle { width: 10; height: 10; Behavior on x { Spring { response: 0.3; dampingFraction: 0.72 } }\n"
        "  Component.onCompleted: x = 40 }");
}

void TestQmlKit::componentsLoad()
{
    QFETCH(QByteArray, body);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n" + body + "\n}");
    QVERIFY2(root, qPrintable(h.errors()));
    QTest::qWait(400); // let transitions and animations run into any warning
}

void TestQmlKit::springCurveMatchesPeak_data()
{
    QTest::addColumn<double>("damping");
    QTest::newRow("0.5") << 0.5;
    QTest::newRow("0.72") << 0.72;
    QTest::newRow("0.85") << 0.85;
    QTest::newRow("critically damped") << 1.0;
}

void TestQmlKit::springCurveMatchesPeak()
{
    QFETCH(double, damping);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
                                               "  function overshoot(d) { return Motion.springOvershoot(d) }\n"
                                               "  function duration(r, d) { return Motion.springDuration(r, d) }\n}");
    QVERIFY2(root, qPrintable(h.errors()));

    QVariant overshoot;
    QMetaObject::invokeMethod(root, "overshoot", Q_RETURN_ARG(QVariant, overshoot), Q_ARG(QVariant, damping));
    QEasingCurve curve(QEasingCurve::OutBack);
    curve.setOvershoot(overshoot.toDouble());
    double peak = 0;
    for (int i = 0; i <= 2000; ++i)
        peak = qMax(peak, curve.valueForProgress(i / 2000.0) - 1);
    const double expected = damping >= 1 ? 0 : qExp(-damping * M_PI / qSqrt(1 - damping * damping));
    QVERIFY2(qAbs(peak - expected) < 0.002, qPrintable(QStringLiteral("peak %1, spring %2").arg(peak).arg(expected)));

    // A stiffer spring settles sooner, a looser one later.
    QVariant fast, slow;
    QMetaObject::invokeMethod(root, "duration", Q_RETURN_ARG(QVariant, fast), Q_ARG(QVariant, 0.3), Q_ARG(QVariant, damping));
    QMetaObject::invokeMethod(root, "duration", Q_RETURN_ARG(QVariant, slow), Q_ARG(QVariant, 0.5), Q_ARG(QVariant, damping));
    QVERIFY(fast.toInt() > 100);
    QVERIFY(fast.toInt() < slow.toInt());
}

void TestQmlKit::adaptiveGridColumns_data()
{
    QTest::addColumn<double>("width");
    QTest::addColumn<double>("margin");
    QTest::addColumn<int>("columns");
    // Minimum column 340, spacing 22.
    QTest::newRow("narrower than one column") << 200.0 << 0.0 << 1;
    QTest::newRow("exactly one column") << 340.0 << 0.0 << 1;
    QTest::newRow("phone") << 430.0 << 0.0 << 1;
    QTest::newRow("just short of two") << 701.0 << 0.0 << 1;
    QTest::newRow("exactly two") << 702.0 << 0.0 << 2;
    QTest::newRow("three") << 1100.0 << 0.0 << 3;
    QTest::newRow("exactly four") << 1426.0 << 0.0 << 4;
    QTest::newRow("margins count against the width") << 733.0 << 16.0 << 1;
    QTest::newRow("two inside margins") << 734.0 << 16.0 << 2;
}

void TestQmlKit::adaptiveGridColumns()
{
    QFETCH(double, width);
    QFETCH(double, margin);
    QFETCH(int, columns);

    QmlHarness h;
    QQuickItem *grid = h.loadSource(kImports +
                                    "AdaptiveGrid {\n"
                                    "  minimumColumn: 340; spacing: 22; rowSpacing: 26; rowHeight: 50\n"
                                    "  source: 8\n"
                                    "  cell: AdaptiveGrid.Cell { Rectangle { objectName: \"card\" + index; anchors.fill: parent } }\n"
                                    "}",
                                    {{"width", width}, {"height", 900.0}, {"leftMargin", margin}, {"rightMargin", margin}});
    QVERIFY2(grid, qPrintable(h.errors()));
    QCOMPARE(grid->property("columns").toInt(), columns);
    QTRY_VERIFY(QmlHarness::findIn(grid, QStringLiteral("card7")));

    // The view really lays out that many columns: the first row holds `columns` cards.
    QQuickItem *first = QmlHarness::findIn(grid, QStringLiteral("card0"));
    const QPointF origin = grid->mapToScene(QPointF(margin, 0));
    auto left = [&](int i) { return QmlHarness::findIn(grid, QStringLiteral("card%1").arg(i))->mapToScene({}).x() - origin.x(); };
    auto top = [&](int i) { return QmlHarness::findIn(grid, QStringLiteral("card%1").arg(i))->mapToScene({}).y(); };
    QCOMPARE(top(columns - 1), top(0));
    QVERIFY(top(columns) > top(0));
    QCOMPARE(top(columns) - top(0), 50.0 + 26.0);

    // Columns fill the width: flush with both edges, `spacing` apart.
    const double available = width - 2 * margin;
    QCOMPARE(left(0), 0.0);
    QVERIFY(qAbs(left(columns - 1) + first->width() - available) < 0.01);
    if (columns > 1)
        QVERIFY(qAbs(left(1) - left(0) - first->width() - 22.0) < 0.01);
    QVERIFY(first->width() >= qMin(340.0, available) - 0.01);
}

void TestQmlKit::bottomSheetDismissal_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<int>("distance");
    QTest::addColumn<bool>("dismissable");
    QTest::addColumn<bool>("staysOpen");
    QTest::addColumn<QString>("detent");

    // The window is 932 high: medium is 466; closing takes 100 below it.
    QTest::newRow("short drag springs back") << "drag" << 60 << true << true << "medium";
    QTest::newRow("drag just short of the threshold") << "drag" << 90 << true << true << "medium";
    QTest::newRow("drag past the threshold closes") << "drag" << 200 << true << false << "medium";
    QTest::newRow("not dismissable stays") << "drag" << 300 << false << true << "medium";
    QTest::newRow("drag up reaches large") << "drag" << -300 << true << true << "large";
    QTest::newRow("backdrop tap closes") << "backdrop" << 0 << true << false << "medium";
    QTest::newRow("backdrop tap ignored when not dismissable") << "backdrop" << 0 << false << true << "medium";
    QTest::newRow("escape closes") << "escape" << 0 << true << false << "medium";
    QTest::newRow("escape ignored when not dismissable") << "escape" << 0 << false << true << "medium";
}

void TestQmlKit::bottomSheetDismissal()
{
    QFETCH(QString, gesture);
    QFETCH(int, distance);
    QFETCH(bool, dismissable);
    QFETCH(bool, staysOpen);
    QFETCH(QString, detent);

    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports +
                                    "Item {\n"
                                    "  property alias sheet: sheet\n"
                                    "  BottomSheet { id: sheet; title: \"Cola\"; Text { text: \"x\" } }\n"
                                    "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *sheet = root->property("sheet").value<QObject *>();
    sheet->setProperty("dismissable", dismissable);
    QSignalSpy opened(sheet, SIGNAL(opened()));
    QSignalSpy closed(sheet, SIGNAL(closed()));
    h.window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(h.window()));
    QMetaObject::invokeMethod(sheet, "open");
    QVERIFY(TestTime::wait(opened));
    QCOMPARE(sheet->property("detent").toString(), QStringLiteral("medium"));

    QQuickItem *header = h.find(QStringLiteral("sheetHeader"));
    QVERIFY(header);
    QCOMPARE(header->mapToScene({}).y(), 932.0 - 466.0);

    if (gesture == "drag")
        QmlHarness::drag(h.window(), centreOf(header), QPoint(0, distance));
    else if (gesture == "backdrop")
        QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
    else
        QTest::keyClick(h.window(), Qt::Key_Escape);

    if (staysOpen) {
        QTest::qWait(700);
        QVERIFY(sheet->property("opened").toBool());
        QCOMPARE(closed.count(), 0);
        QCOMPARE(sheet->property("detent").toString(), detent);
        // Settled exactly on the detent.
        const double expectedTop = detent == "large" ? 10.0 : 466.0;
        QTRY_COMPARE(header->mapToScene({}).y(), expectedTop);
    } else {
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(!sheet->property("visible").toBool());
    }
}

void TestQmlKit::contextMenuOpensAndTriggers_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("gesture");
    QTest::newRow("right click on a plain item") << "plain" << "right";
    QTest::newRow("long press on a plain item") << "plain" << "hold";
    QTest::newRow("right click on a button") << "button" << "right";
    QTest::newRow("long press on a button") << "button" << "hold";
}

void TestQmlKit::contextMenuOpensAndTriggers()
{
    QFETCH(QString, target);
    QFETCH(QString, gesture);

    QmlHarness h;
    const QByteArray targetDecl = target == "button" ? "Button { onClicked: clicks++\n" : "Rectangle {\n";
    QQuickItem *root = h.loadSource(
        kImports + "Item {\n"
                   "  property int clicks: 0\n"
                   "  property int opens: 0\n"
                   "  property bool liked: false\n"
                   "  property alias menu: menu\n"
                   "  " + targetDecl +
                   "    objectName: \"target\"; width: 300; height: 120\n"
                   "    ContextMenu {\n"
                   "      id: menu\n"
                   "      onAboutToOpen: { opens++; model = [\n"
                   "        { title: \"Añadir a la cola\", symbol: \"text.badge.plus\", id: \"queue\" },\n"
                   "        { title: liked ? \"Quitar me gusta\" : \"Me gusta\", symbol: \"hand.thumbsup\", id: \"like\" },\n"
                   "        { title: \"Desactivado\", enabled: false, id: \"off\" },\n"
                   "        { title: \"No me interesa\", destructive: true, id: \"hide\" } ] }\n"
                   "    }\n"
                   "  }\n"
                   "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *menu = root->property("menu").value<QObject *>();
    QSignalSpy triggered(menu, SIGNAL(triggered(int,QVariant)));
    // The popup is made at the first opening and then reused.
    auto popups = [menu] {
        const auto all = menu->findChildren<QObject *>();
        return std::count_if(all.begin(), all.end(), [](QObject *o) { return o->inherits("QQuickMenu"); });
    };
    QCOMPARE(popups(), 0);
    QQuickItem *targetItem = h.find(QStringLiteral("target"));
    root->setProperty("liked", true);

    const QPoint at = centreOf(targetItem);
    if (gesture == "right") {
        QTest::mouseClick(h.window(), Qt::RightButton, Qt::NoModifier, at);
    } else {
        QTest::mousePress(h.window(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(1100);
        QTest::mouseRelease(h.window(), Qt::LeftButton, Qt::NoModifier, at);
    }
    QTRY_VERIFY(menu->property("opened").toBool());
    QCOMPARE(popups(), 1);
    QCOMPARE(root->property("opens").toInt(), 1);
    // Opening the menu is not a tap on its target.
    QCOMPARE(root->property("clicks").toInt(), 0);

    // Entries are built at opening, from the model the owner set just before.
    auto *like = h.find(QStringLiteral("contextMenuItem1"));
    QVERIFY(like);
    QVERIFY(hasText(like, QStringLiteral("Quitar me gusta")));

    // A disabled entry does nothing.
    auto *off = h.find(QStringLiteral("contextMenuItem2"));
    QVERIFY(off);
    QVERIFY(!off->isEnabled());

    QTest::qWait(300); // opening transition
    QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, centreOf(like));
    QTRY_COMPARE(triggered.count(), 1);
    QCOMPARE(triggered.at(0).at(0).toInt(), 1);
    QCOMPARE(triggered.at(0).at(1).toString(), QStringLiteral("like"));
    QTRY_VERIFY(!menu->property("opened").toBool());
    QCOMPARE(root->property("clicks").toInt(), 0);

    // The next opening rebuilds the entries instead of adding to them.
    QMetaObject::invokeMethod(menu, "popup", Q_ARG(QVariant, 10), Q_ARG(QVariant, 10));
    QTRY_VERIFY(menu->property("opened").toBool());
    QVERIFY(h.find(QStringLiteral("contextMenuItem3")));
    QVERIFY(!h.find(QStringLiteral("contextMenuItem4")));
    QCOMPARE(popups(), 1);
}

void TestQmlKit::contextMenuFitsItsLabels_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("wholeLabel");
    QTest::addColumn<double>("width");
    QTest::newRow("short labels keep the least width") << "Me gusta" << true << 250.0;
    QTest::newRow("a long label widens the menu") << "Reproducir a continuación, ahora mismo sí" << true << -1.0;
    // The harness window is 430 wide; the menu keeps 8 from each side.
    QTest::newRow("an endless label stops short of the window")
        << QString("Reproducir a continuación ").repeated(4) << false << 430.0 - 16;
}

void TestQmlKit::contextMenuFitsItsLabels()
{
    QFETCH(QString, label);
    QFETCH(bool, wholeLabel);
    QFETCH(double, width);

    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
                                               "  property string label\n"
                                               "  property alias menu: menu\n"
                                               "  ContextMenu {\n"
                                               "    id: menu\n"
                                               "    model: [ { title: \"Compartir\", symbol: \"square.and.arrow.up\" },\n"
                                               "             { title: label, symbol: \"text.line.first.and.arrowtriangle.forward\" } ]\n"
                                               "  }\n"
                                               "}",
                                    {{QStringLiteral("label"), label}});
    QVERIFY2(root, qPrintable(h.errors()));
    auto *menu = root->property("menu").value<QObject *>();
    QMetaObject::invokeMethod(menu, "popup", Q_ARG(QVariant, 10), Q_ARG(QVariant, 10));
    QTRY_VERIFY(menu->property("opened").toBool());

    QQuickItem *entry = h.find(QStringLiteral("contextMenuItem1"));
    QVERIFY(entry);
    QQuickItem *text = nullptr;
    for (QQuickItem *c : entry->property("contentItem").value<QQuickItem *>()->childItems())
        if (c->property("text").toString() == label)
            text = c;
    QVERIFY(text);
    QTRY_VERIFY(text->width() > 0);
    QCOMPARE(text->width() >= text->implicitWidth(), wholeLabel);
    if (width > 0)
        QCOMPARE(entry->width(), width);
    else
        QVERIFY(entry->width() > 250);
    // Every entry takes the menu's one width.
    QCOMPARE(h.find(QStringLiteral("contextMenuItem0"))->width(), entry->width());
}

void TestQmlKit::fullScreenCoverFollowsBinding()
{
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
                                               "  property bool expanded: true\n"
                                               "  property alias cover: cover\n"
                                               "  FullScreenCover { id: cover; presented: expanded; Text { text: \"x\" } }\n"
                                               "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *cover = root->property("cover").value<QObject *>();
    // Presented from the start: shown once the window exists, covering all of it.
    QTRY_VERIFY(cover->property("opened").toBool());
    QTRY_COMPARE(cover->property("y").toDouble(), 0.0);
    QCOMPARE(cover->property("height").toDouble(), 932.0);

    root->setProperty("expanded", false);
    QTRY_VERIFY(!cover->property("visible").toBool());
    root->setProperty("expanded", true);
    QTRY_VERIFY(cover->property("opened").toBool());
    QTRY_COMPARE(cover->property("y").toDouble(), 0.0);
}

// A cover sliding away takes no press: not on what it still covers (that
// press reaches nothing), and the part of the page it has left uncovered
// takes its own.
void TestQmlKit::closingCoverTakesNoPress_data()
{
    QTest::addColumn<QString>("steps"); // c: close, o: open again, u: wait until the top is uncovered
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("onCover");
    QTest::addColumn<int>("onPage");

    // Low in the window, where the sliding cover lies longest.
    const QPoint low(200, 800), high(200, 100);
    QTest::newRow("shown") << "" << low << 1 << 0;
    QTest::newRow("sliding away, on it") << "c" << low << 0 << 0;
    QTest::newRow("sliding away, above it") << "cu" << high << 0 << 1;
    QTest::newRow("back while sliding away") << "co" << low << 1 << 0;
}

void TestQmlKit::closingCoverTakesNoPress()
{
    QFETCH(QString, steps);
    QFETCH(QPoint, at);
    QFETCH(int, onCover);
    QFETCH(int, onPage);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
        "  id: root\n"
        "  anchors.fill: parent\n"
        "  property int onCover: 0\n"
        "  property int onPage: 0\n"
        "  property alias cover: cover\n"
        "  Button { anchors.fill: parent; onClicked: root.onPage++ }\n"
        "  FullScreenCover {\n"
        "    id: cover; presented: true\n"
        "    Button { anchors.fill: parent; onClicked: root.onCover++ }\n"
        "  }\n"
        "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *cover = root->property("cover").value<QObject *>();
    QTRY_VERIFY(cover->property("opened").toBool());
    QTRY_COMPARE(cover->property("y").toDouble(), 0.0);

    for (const QChar step : steps) {
        if (step == u'c') {
            cover->setProperty("presented", false);
        } else if (step == u'o') {
            QTest::qWait(100);
            cover->setProperty("presented", true);
            QTRY_COMPARE(cover->property("y").toDouble(), 0.0);
        } else {
            QTRY_VERIFY(cover->property("y").toDouble() > at.y() + 50);
            QVERIFY(cover->property("visible").toBool());
        }
    }
    QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(root->property("onCover").toInt(), onCover);
    QCOMPARE(root->property("onPage").toInt(), onPage);
}

void TestQmlKit::toastReplacesAndExpires()
{
    QmlHarness h;
    QQuickItem *toast = h.loadSource(kImports + "Toast { duration: 400 }");
    QVERIFY2(toast, qPrintable(h.errors()));
    QQuickItem *text = h.find(QStringLiteral("toastText"));
    QQuickItem *pill = h.find(QStringLiteral("toastPill"));

    QMetaObject::invokeMethod(toast, "show", Q_ARG(QVariant, QStringLiteral("Añadido a la cola")));
    QTRY_VERIFY(pill->isVisible());
    QTest::qWait(250);
    QMetaObject::invokeMethod(toast, "show", Q_ARG(QVariant, QStringLiteral("Enlace copiado")));
    QCOMPARE(text->property("text").toString(), QStringLiteral("Enlace copiado"));

    // The first message's timer must not cut the second one short.
    QTest::qWait(250);
    QVERIFY(toast->property("shown").toBool());
    QCOMPARE(text->property("text").toString(), QStringLiteral("Enlace copiado"));

    QTRY_VERIFY_WITH_TIMEOUT(!toast->property("shown").toBool(), 400);
    QTRY_VERIFY(!pill->isVisible());

    // Bound mode: shown exactly while the text is not empty, with no timer of its own.
    toast->setProperty("duration", 100);
    toast->setProperty("text", QStringLiteral("Patrocinio omitido"));
    QTest::qWait(300);
    QVERIFY(pill->isVisible());
    toast->setProperty("text", QString());
    QTRY_VERIFY(!pill->isVisible());
}

void TestQmlKit::pullToRefreshKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("active");
    QTest::addColumn<bool>("refreshing");
    QTest::addColumn<int>("expected");
    QTest::newRow("Ctrl+R") << int(Qt::Key_R) << int(Qt::ControlModifier) << true << false << 1;
    QTest::newRow("F5") << int(Qt::Key_F5) << int(Qt::NoModifier) << true << false << 1;
    QTest::newRow("plain R") << int(Qt::Key_R) << int(Qt::NoModifier) << true << false << 0;
    QTest::newRow("inactive view") << int(Qt::Key_R) << int(Qt::ControlModifier) << false << false << 0;
    QTest::newRow("already refreshing") << int(Qt::Key_F5) << int(Qt::NoModifier) << true << true << 0;
}

void TestQmlKit::pullToRefreshKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, active);
    QFETCH(bool, refreshing);
    QFETCH(int, expected);

    QmlHarness h;
    QQuickItem *ptr = h.loadSource(kImports + "PullToRefresh { ListView { anchors.fill: parent; model: 30;"
                                              " delegate: Text { text: index; height: 40 } } }",
                                   {{"active", active}, {"refreshing", refreshing}});
    QVERIFY2(ptr, qPrintable(h.errors()));
    QSignalSpy refresh(ptr, SIGNAL(refresh()));
    h.window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(h.window()));

    QTest::keyClick(h.window(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::qWait(50);
    QCOMPARE(refresh.count(), expected);
}

void TestQmlKit::pullToRefreshGesture_data()
{
    QTest::addColumn<int>("distance");
    QTest::addColumn<bool>("atTop");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("bounds"); // the list's own boundsBehavior
    for (const char *bounds : {"Flickable.DragAndOvershootBounds", "Flickable.StopAtBounds"}) {
        QTest::addRow("long pull, %s", bounds) << 400 << true << 1 << QString::fromLatin1(bounds);
        QTest::addRow("short pull, %s", bounds) << 40 << true << 0 << QString::fromLatin1(bounds);
        QTest::addRow("scrolling down the list, %s", bounds) << -300 << true << 0 << QString::fromLatin1(bounds);
        QTest::addRow("pull while scrolled down only scrolls, %s", bounds) << 200 << false << 0 << QString::fromLatin1(bounds);
    }
}

void TestQmlKit::pullToRefreshGesture()
{
    QFETCH(int, distance);
    QFETCH(bool, atTop);
    QFETCH(int, expected);
    QFETCH(QString, bounds);

    QmlHarness h;
    QQuickItem *ptr = h.loadSource(kImports + "PullToRefresh {\n"
                                              "  ListView { objectName: \"list\"; anchors.fill: parent; model: 60;"
                                              " boundsBehavior: " + bounds.toLatin1() + ";"
                                              " delegate: Text { text: index; height: 40 } } }");
    QVERIFY2(ptr, qPrintable(h.errors()));
    QSignalSpy refresh(ptr, SIGNAL(refresh()));
    auto *list = h.find(QStringLiteral("list"));
    if (!atTop)
        list->setProperty("contentY", 800.0);

    QmlHarness::drag(h.window(), QPoint(200, 300), QPoint(0, distance));
    QTest::qWait(100);
    QCOMPARE(refresh.count(), expected);
}

// While refreshing the first row sits below the spinner, not under it, and
// goes back to the top when the refresh ends.
void TestQmlKit::pullToRefreshMakesRoom()
{
    QmlHarness h;
    QQuickItem *ptr = h.loadSource(kImports + "PullToRefresh {\n"
                                              "  ListView { objectName: \"list\"; anchors.fill: parent; model: 60;"
                                              " topMargin: 12; boundsBehavior: Flickable.StopAtBounds;"
                                              " delegate: Text { objectName: \"row\" + index; text: index; height: 40 } } }");
    QVERIFY2(ptr, qPrintable(h.errors()));
    QQuickItem *row = h.find(QStringLiteral("row0"));
    QVERIFY(row);
    auto top = [&] { return row->mapToScene(QPointF(0, 0)).y(); };
    QCOMPARE(top(), 12.0);
    ptr->setProperty("refreshing", true);
    QQuickItem *spinner = h.find(QStringLiteral("refreshSpinner"));
    QTRY_VERIFY(top() >= spinner->mapToScene(QPointF(0, spinner->height())).y());
    ptr->setProperty("refreshing", false);
    QTRY_COMPARE(top(), 12.0);
}

void TestQmlKit::swipeRowButtonsFitTheirLabels_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<double>("width"); // of the button when open
    QTest::newRow("short label keeps the usual width") << QStringLiteral("Quitar") << 74.0;
    QTest::newRow("long label widens its button") << QStringLiteral("Dejar de seguir") << -1.0;
}

// An open row's button shows its whole label, however long.
void TestQmlKit::swipeRowButtonsFitTheirLabels()
{
    QFETCH(QString, label);
    QFETCH(double, width);
    QmlHarness h;
    QQuickItem *row = h.loadSource(kImports + "SwipeRow { width: 400; height: 64\n"
                                              "  Item { width: 400; height: 64 } }");
    QVERIFY2(row, qPrintable(h.errors()));
    row->setProperty("actions", QVariantList{QVariantMap{{"label", label}, {"destructive", true}}});
    row->setProperty("offset", -row->property("revealWidth").toDouble());
    QQuickItem *button = QmlHarness::findIn(row, QStringLiteral("swipeAction0"));
    QVERIFY(button);
    QTRY_COMPARE(row->property("offset").toDouble(), -row->property("revealWidth").toDouble());
    QQuickItem *text = nullptr;
    for (QQuickItem *i : button->findChildren<QQuickItem *>())
        if (i->property("text").toString() == label)
            text = i;
    QVERIFY(text);
    QVERIFY2(text->implicitWidth() + 16 <= button->width(), qPrintable(QString::number(button->width())));
    if (width > 0)
        QCOMPARE(button->width(), width);
}

void TestQmlKit::appearanceTransitions_data()
{
    QTest::addColumn<QList<bool>>("steps"); // values of `active` after the initial true
    QTest::addColumn<QString>("events");
    QTest::newRow("shown once") << QList<bool>{} << "A";
    QTest::newRow("same value twice emits nothing") << QList<bool>{true, true} << "A";
    QTest::newRow("hide and show") << QList<bool>{false, true} << "ADA";
    QTest::newRow("repeated hide") << QList<bool>{false, false, true, false} << "ADAD";
}

void TestQmlKit::appearanceTransitions()
{
    QFETCH(QList<bool>, steps);
    QFETCH(QString, events);

    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
                                               "  property string log\n"
                                               "  property alias watcher: watcher\n"
                                               "  Item { id: page; objectName: \"page\"\n"
                                               "    Appearance { id: watcher; onAppeared: log += \"A\";"
                                               " onDisappeared: log += \"D\" } }\n"
                                               "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *watcher = root->property("watcher").value<QObject *>();
    for (bool active : steps)
        watcher->setProperty("active", active);
    QCOMPARE(root->property("log").toString(), events);

    // Hiding the page (a tab no longer current) and the window count too.
    const QString before = root->property("log").toString();
    const bool shown = watcher->property("shown").toBool();
    h.find(QStringLiteral("page"))->setVisible(false);
    QCOMPARE(root->property("log").toString(), before + (shown ? "D" : ""));
    h.find(QStringLiteral("page"))->setVisible(true);
    QCOMPARE(root->property("log").toString(), before + (shown ? "DA" : ""));
    h.window()->hide();
    QCOMPARE(root->property("log").toString(), before + (shown ? "DAD" : ""));
}

void TestQmlKit::appearanceOnPageRemoval()
{
    // A page popped off a stack is destroyed while shown: it still disappears, once.
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
                                               "  property string log\n"
                                               "  property bool pushed: true\n"
                                               "  Loader { active: pushed\n"
                                               "    sourceComponent: Item { Appearance { onAppeared: log += \"A\";"
                                               " onDisappeared: log += \"D\" } } }\n"
                                               "}");
    QVERIFY2(root, qPrintable(h.errors()));
    QCOMPARE(root->property("log").toString(), QStringLiteral("A"));
    root->setProperty("pushed", false);
    QTRY_COMPARE(root->property("log").toString(), QStringLiteral("AD"));
    QTest::qWait(50);
    QCOMPARE(root->property("log").toString(), QStringLiteral("AD"));
}

void TestQmlKit::swipeRow_data()
{
    QTest::addColumn<int>("distance");
    QTest::addColumn<int>("triggers");
    QTest::addColumn<double>("offset");
    // Row 400 wide, two actions of 74: revealed at 148; a full swipe passes 240.
    QTest::newRow("full swipe runs the first action") << -330 << 1 << 0.0;
    QTest::newRow("half swipe reveals the actions") << -120 << 0 << -148.0;
    QTest::newRow("nudge springs back") << -40 << 0 << 0.0;
    QTest::newRow("right swipe does nothing") << 150 << 0 << 0.0;
}

void TestQmlKit::swipeRow()
{
    QFETCH(int, distance);
    QFETCH(int, triggers);
    QFETCH(double, offset);

    QmlHarness h;
    // Inside a vertical list, as the screens use it: the list must not swallow the swipe.
    QQuickItem *root = h.loadSource(kImports +
                                    "ListView { id: list\n"
                                    "  property int taps: 0\n"
                                    "  model: 20\n"
                                    "  delegate: SwipeRow { objectName: \"row\" + index; width: ListView.view.width\n"
                                    "    actions: [{ title: \"Quitar\", symbol: \"trash\", destructive: true, id: \"remove\" },\n"
                                    "              { title: \"Más\", id: \"more\" }]\n"
                                    "    Button { objectName: \"content\"; width: parent.width; implicitHeight: 64;"
                                    " onClicked: list.taps++ }\n"
                                    "  }\n"
                                    "}",
                                    {{"width", 400.0}});
    QVERIFY2(root, qPrintable(h.errors()));
    QTRY_VERIFY(QmlHarness::findIn(root, QStringLiteral("row0")));
    auto *row = QmlHarness::findIn(root, QStringLiteral("row0"));
    QCOMPARE(row->height(), 64.0);
    QSignalSpy triggered(row, SIGNAL(triggered(int,QVariant)));

    QmlHarness::drag(h.window(), QPoint(distance < 0 ? 380 : 20, 32), QPoint(distance, 0));
    QTRY_COMPARE(row->property("offset").toDouble(), offset);
    QCOMPARE(triggered.count(), triggers);
    if (triggers)
        QCOMPARE(triggered.at(0).at(1).toString(), QStringLiteral("remove"));
    // Swiping is not a tap on the content.
    QCOMPARE(root->property("taps").toInt(), 0);

    if (offset < 0) {
        // Open: the second action runs by a tap, and a tap on the content only closes the row.
        QVERIFY(h.click(QmlHarness::findIn(row, QStringLiteral("swipeAction1"))));
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(triggered.at(0).at(1).toString(), QStringLiteral("more"));
        QTRY_COMPARE(row->property("offset").toDouble(), 0.0);

        QmlHarness::drag(h.window(), QPoint(380, 32), QPoint(distance, 0));
        QTRY_COMPARE(row->property("offset").toDouble(), offset);
        QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 32));
        QTRY_COMPARE(row->property("offset").toDouble(), 0.0);
        QCOMPARE(root->property("taps").toInt(), 0);
    } else {
        QVERIFY(h.click(QmlHarness::findIn(row, QStringLiteral("content"))));
        QCOMPARE(root->property("taps").toInt(), 1);
    }

    // A vertical drag over the rows still scrolls the list and opens nothing.
    const int before = triggered.count();
    QmlHarness::drag(h.window(), QPoint(200, 500), QPoint(0, -300));
    QTRY_VERIFY(root->property("contentY").toDouble() > 100);
    QCOMPARE(row->property("offset").toDouble(), 0.0);
    QCOMPARE(triggered.count(), before);
}

void TestQmlKit::swipeRowTakenOutByItsAction_data()
{
    QTest::addColumn<QByteArray>("holder");
    QTest::addColumn<bool>("fullSwipe"); // else a tap on the revealed button
    // A repeater drops its row at once; a list without a removal transition
    // when it lays out again; one with a transition after the fade.
    const QList<std::pair<const char *, QByteArray>> holders{
        {"repeater", "Column { width: 400; Repeater { model: names; delegate: row } }"},
        {"list", "ListView { width: 400; height: 600; model: names; delegate: row }"},
        {"list with a fade", "ListView { width: 400; height: 600; model: names; delegate: row; reuseItems: true\n"
                             "  remove: Transition { NumberAnimation { property: \"opacity\"; to: 0; duration: 100 } } }"},
    };
    for (const auto &[name, holder] : holders) {
        QTest::addRow("%s, full swipe", name) << holder << true;
        QTest::addRow("%s, button", name) << holder << false;
    }
}

// The row's own lines after its action must not run in a row already gone.
void TestQmlKit::swipeRowTakenOutByItsAction()
{
    QFETCH(QByteArray, holder);
    QFETCH(bool, fullSwipe);
    QTest::failOnWarning(QRegularExpression(QStringLiteral("invalid context|not a function")));
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports +
                                    "Item { width: 400; height: 600\n"
                                    "  ListModel { id: names; ListElement { name: \"a\" } ListElement { name: \"b\" } }\n"
                                    "  property alias remaining: names.count\n"
                                    "  Component { id: row\n"
                                    "    SwipeRow { id: swipe; required property int index; objectName: \"row\" + index; width: 400\n"
                                    "      actions: [{ label: \"Quitar\", destructive: true }]\n"
                                    "      onTriggered: () => names.remove(swipe.index)\n"
                                    "      Rectangle { width: 400; implicitHeight: 64 } } }\n"
                                    "  " + holder + "\n"
                                    "}");
    QVERIFY2(root, qPrintable(h.errors()));
    QTRY_VERIFY(QmlHarness::findIn(root, QStringLiteral("row0")));
    QQuickItem *row = QmlHarness::findIn(root, QStringLiteral("row0"));
    QTRY_COMPARE(row->height(), 64.0);
    if (fullSwipe) {
        QmlHarness::drag(h.window(), QPoint(380, 32), QPoint(-330, 0));
    } else {
        QmlHarness::drag(h.window(), QPoint(380, 32), QPoint(-80, 0));
        QTRY_VERIFY(row->property("offset").toDouble() < -70);
        QVERIFY(h.click(QmlHarness::findIn(row, QStringLiteral("swipeAction0"))));
    }
    QTRY_COMPARE(root->property("remaining").toInt(), 1);
    QTest::qWait(200); // the fade, and the lines after it
}

// Text buttons sit on the baseline they are anchored to; a held button fades
// to half its resting opacity and comes back on release.
void TestQmlKit::fadingButton_data()
{
    QTest::addColumn<QByteArray>("props");
    QTest::addColumn<bool>("isText");
    QTest::addColumn<double>("resting");
    QTest::newRow("text") << QByteArray("text: \"Borrar\"; font: TextStyle.footnote") << true << 1.0;
    QTest::newRow("text, dimmed at rest") << QByteArray("text: \"Saltar\"; restingOpacity: 0.8") << true << 0.8;
    QTest::newRow("symbol") << QByteArray("symbol: \"gearshape\"; symbolSize: 20") << false << 1.0;
}

void TestQmlKit::fadingButton()
{
    QFETCH(QByteArray, props);
    QFETCH(bool, isText);
    QFETCH(double, resting);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item { width: 300; height: 100\n"
        "  Text { id: title; objectName: \"title\"; y: 30; text: \"Recientes\"; font: TextStyle.title3 }\n"
        "  FadingButton { objectName: \"button\"; x: 200; anchors.baseline: title.baseline; " + props + " } }");
    QVERIFY2(root, qPrintable(h.errors()));
    QQuickItem *button = QmlHarness::findIn(root, QStringLiteral("button"));
    QQuickItem *title = QmlHarness::findIn(root, QStringLiteral("title"));
    QVERIFY(button && title);
    auto *content = button->property("contentItem").value<QQuickItem *>();
    QVERIFY(button->width() > 0 && button->height() > 0);
    if (isText) {
        QQuickItem *label = content->childItems().value(0);
        QVERIFY(label && label->isVisible());
        QCOMPARE(label->mapToScene(QPointF(0, label->baselineOffset())).y(),
                 title->mapToScene(QPointF(0, title->baselineOffset())).y());
    }
    QCOMPARE(content->opacity(), resting);

    const QPoint centre = centreOf(button);
    QTest::mousePress(h.window(), Qt::LeftButton, Qt::NoModifier, centre);
    QTRY_COMPARE(content->opacity(), resting * 0.5);
    QSignalSpy clicked(button, SIGNAL(clicked()));
    QTest::mouseRelease(h.window(), Qt::LeftButton, Qt::NoModifier, centre);
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(content->opacity(), resting);
}

// The fill and the ink follow the tint: white on it when prominent (darker
// while pressed), the tint on a light fill of it otherwise.
void TestQmlKit::borderedButton_data()
{
    QTest::addColumn<QByteArray>("props");
    QTest::addColumn<QColor>("tint");
    QTest::addColumn<bool>("prominent");
    QTest::addColumn<bool>("down");
    const QColor accent = QColor::fromRgbF(1.0f, 0.176f, 0.333f), red(0xFF, 0x3B, 0x30);
    QTest::newRow("accent") << QByteArray("") << accent << false << false;
    QTest::newRow("accent, pressed") << QByteArray("down: true") << accent << false << true;
    QTest::newRow("prominent") << QByteArray("prominent: true") << accent << true << false;
    QTest::newRow("prominent, pressed") << QByteArray("prominent: true; down: true") << accent << true << true;
    QTest::newRow("destructive tint") << QByteArray("tint: Colors.destructive") << red << false << false;
    QTest::newRow("destructive, prominent") << QByteArray("tint: Colors.destructive; prominent: true") << red << true
                                            << false;
}

void TestQmlKit::borderedButton()
{
    QFETCH(QByteArray, props);
    QFETCH(QColor, tint);
    QFETCH(bool, prominent);
    QFETCH(bool, down);
    AppScheme::shared().setScheme(1);
    QmlHarness h;
    QQuickItem *button = h.loadSource(kImports + "BorderedButton { text: \"Mostrar\"; " + props + " }");
    QVERIFY2(button, qPrintable(h.errors()));
    const QColor fill = button->property("background").value<QQuickItem *>()->property("color").value<QColor>();
    const QColor ink = button->property("ink").value<QColor>();
    auto near = [](const QColor &a, const QColor &b) {
        return std::abs(a.redF() - b.redF()) < 0.01 && std::abs(a.greenF() - b.greenF()) < 0.01
               && std::abs(a.blueF() - b.blueF()) < 0.01 && std::abs(a.alphaF() - b.alphaF()) < 0.01;
    };
    if (prominent) {
        QCOMPARE(ink, QColor(Qt::white));
        QVERIFY2(near(fill, down ? tint.darker(115) : tint), qPrintable(fill.name(QColor::HexArgb)));
    } else {
        QVERIFY2(near(ink, tint), qPrintable(ink.name(QColor::HexArgb)));
        QColor light = tint;
        light.setAlphaF(down ? 0.25f : 0.15f);
        QVERIFY2(near(fill, light), qPrintable(fill.name(QColor::HexArgb)));
    }
}

// Nothing is made before the sheet is wanted; a kept sheet is the same one
// every time, a fresh one is new each time and after its key changes, and
// slides away before it goes; any closing reports a dismissal. One shown
// from the start opens.
void TestQmlKit::sheetLoader_data()
{
    QTest::addColumn<bool>("fresh");
    QTest::addColumn<bool>("shownAtStart");
    QTest::newRow("kept") << false << false;
    QTest::newRow("fresh") << true << false;
    QTest::newRow("kept, shown at start") << false << true;
    QTest::newRow("fresh, shown at start") << true << true;
}

void TestQmlKit::sheetLoader()
{
    QFETCH(bool, fresh);
    QFETCH(bool, shownAtStart);
    QmlHarness h;
    QQuickItem *slot = h.loadSource(kImports + "SheetLoader { id: slot; property int made: 0; key: \"a\"\n"
        "  sourceComponent: Popup { width: 100; height: 100; Component.onCompleted: slot.made++\n"
        "    exit: Transition { NumberAnimation { property: \"opacity\"; to: 0; duration: 300 } } } }",
        {{QStringLiteral("fresh"), fresh}, {QStringLiteral("shown"), shownAtStart}});
    QVERIFY2(slot, qPrintable(h.errors()));
    QSignalSpy dismissed(slot, SIGNAL(dismissed()));
    auto sheet = [&] { return slot->property("item").value<QObject *>(); };
    auto visible = [&] { return sheet() && sheet()->property("visible").toBool(); };
    if (!shownAtStart) {
        QTest::qWait(50);
        QVERIFY(!sheet());
        slot->setProperty("shown", true);
    }
    QTRY_VERIFY(visible());
    QPointer<QObject> first = sheet();

    slot->setProperty("shown", false);
    if (fresh) {
        QTRY_VERIFY(!sheet() || !sheet()->property("opened").toBool());
        QCOMPARE(sheet(), first.data());
        QTRY_VERIFY(!sheet());
    } else {
        QTRY_VERIFY(!visible());
        QCOMPARE(sheet(), first.data());
    }
    QCOMPARE(dismissed.count(), 1);
    slot->setProperty("shown", true);
    QTRY_VERIFY(visible());
    QCOMPARE(sheet() == first.data(), !fresh);

    slot->setProperty("key", QStringLiteral("b"));
    QTest::qWait(50);
    QTRY_VERIFY(visible());
    QCOMPARE(slot->property("made").toInt(), fresh ? 3 : 1);

    QMetaObject::invokeMethod(sheet(), "close");
    QTRY_VERIFY(dismissed.count() >= 2);
}

void TestQmlKit::segmentedPickerSelects()
{
    QmlHarness h;
    QQuickItem *picker = h.loadSource(kImports + "SegmentedPicker { width: 300; model: [\"Vídeos\", \"Populares\", \"Shorts\"] }");
    QVERIFY2(picker, qPrintable(h.errors()));
    QSignalSpy activated(picker, SIGNAL(activated(int)));

    QQuickItem *third = QmlHarness::findIn(picker, QStringLiteral("segment2"));
    QVERIFY(h.click(third));
    QCOMPARE(picker->property("currentIndex").toInt(), 2);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.at(0).at(0).toInt(), 2);

    // The selected segment again is no change.
    QVERIFY(h.click(third));
    QCOMPARE(activated.count(), 1);
}

// A press that closes a sheet (its bar's "Hecho", a row whose choice closes
// it) takes the whole double click: the second click reaches neither the
// sheet again nor the page it uncovers, while it slides away or once it is
// gone. Past the double-click time, or outside the sheet's place, a press on
// the page works.
void TestQmlKit::closingSheetTakesTheWholeDoubleClick_data()
{
    QTest::addColumn<QString>("pressed"); // what closes the sheet: "done" or "row"
    QTest::addColumn<QString>("then");    // s: while it slides away, g: once gone, w: after the double-click time, b: beside its place
    QTest::addColumn<int>("beneath");     // presses the page took

    for (const char *pressed : {"done", "row"}) {
        QTest::addRow("%s, second click while sliding away", pressed) << pressed << "s" << 0;
        QTest::addRow("%s, second click once gone", pressed) << pressed << "g" << 0;
        QTest::addRow("%s, after the double-click time", pressed) << pressed << "w" << 1;
        QTest::addRow("%s, above the sheet's place", pressed) << pressed << "b" << 1;
    }
}

void TestQmlKit::closingSheetTakesTheWholeDoubleClick()
{
    QFETCH(QString, pressed);
    QFETCH(QString, then);
    QFETCH(int, beneath);
    // Long enough for the sheet to be gone well within it, however busy the machine.
    const int interval = 2000;
    const DoubleClickTime doubleClick(interval);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
        "  id: root\n"
        "  property int beneath: 0\n"
        "  property int chosen: 0\n"
        "  property alias sheet: sheet\n"
        "  MouseArea { anchors.fill: parent; onPressed: root.beneath++ }\n"
        "  BottomSheet {\n"
        "    id: sheet; title: \"Cola\"\n"
        "    trailing: SheetBarButton { objectName: \"done\"; text: \"Hecho\"; onClicked: { root.chosen++; sheet.close() } }\n"
        "    Button { objectName: \"row\"; y: 100; width: parent.width; height: 60; onClicked: { root.chosen++; sheet.close() } }\n"
        "  }\n"
        "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *sheet = root->property("sheet").value<QObject *>();
    QSignalSpy closed(sheet, SIGNAL(closed()));
    QMetaObject::invokeMethod(sheet, "open");
    QTRY_VERIFY(sheet->property("opened").toBool());
    QQuickItem *header = h.find(QStringLiteral("sheetHeader"));
    QTRY_COMPARE(header->mapToScene({}).y(), 932.0 - 466.0);

    const QPoint at = centreOf(h.find(pressed));
    QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(root->property("chosen").toInt(), 1);
    QPoint second = at;
    if (then == "s") {
        QTest::qWait(50);
        if (!sheet->property("visible").toBool())
            QSKIP("This machine let the sheet finish sliding before the second click.");
    } else if (then == "w") {
        doubleClick.passes();
    } else {
        QTRY_VERIFY(!sheet->property("visible").toBool());
        if (then == "b")
            second = QPoint(200, 100);
    }
    QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, second);
    QTRY_VERIFY(!sheet->property("visible").toBool());
    QTest::qWait(50);
    QCOMPARE(root->property("beneath").toInt(), beneath);
    QCOMPARE(root->property("chosen").toInt(), 1);
    QCOMPARE(closed.count(), 1);
}

namespace {

// A strip of `chips` chips 100 wide in a 300-wide view, over a page that
// counts the wheel turns the strip passes on.
QQuickItem *loadStrip(QmlHarness &h, int chips)
{
    return h.loadSource(kImports + "Item {\n"
        "  width: 300; height: 200\n"
        "  property int pageTurns: 0\n"
        "  MouseArea { anchors.fill: parent; acceptedButtons: Qt.NoButton; onWheel: (wheel) => { parent.pageTurns++; wheel.accepted = false } }\n"
        "  Flickable {\n"
        "    id: strip; objectName: \"strip\"; y: 50; width: 300; height: 40\n"
        "    contentWidth: row.width; flickableDirection: Flickable.HorizontalFlick; boundsBehavior: Flickable.StopAtBounds\n"
        "    Row { id: row; Repeater { model: " + QByteArray::number(chips) + "; Rectangle { objectName: \"chip\" + index; width: 100; height: 40 } } }\n"
        "    SideScroller { objectName: \"scroller\"; strip: strip }\n"
        "  }\n"
        "}");
}

} // namespace

void TestQmlKit::sideScrollerWheel_data()
{
    QTest::addColumn<int>("chips");
    QTest::addColumn<double>("start");
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<QPoint>("pixels");
    QTest::addColumn<int>("turns");   // sent one after the other, without waiting
    QTest::addColumn<double>("end");
    QTest::addColumn<bool>("toPage"); // the strip could not move: the page gets the turns

    const double notch = QGuiApplication::styleHints()->wheelScrollLines() * 40;
    QTest::newRow("wheel down moves it along") << 10 << 0.0 << QPoint(0, -120) << QPoint() << 1 << notch << false;
    QTest::newRow("wheel up moves it back") << 10 << 300.0 << QPoint(0, 120) << QPoint() << 1 << 300 - notch << false;
    QTest::newRow("half a notch") << 10 << 0.0 << QPoint(0, -60) << QPoint() << 1 << notch / 2 << false;
    QTest::newRow("turns while it glides add up") << 10 << 0.0 << QPoint(0, -120) << QPoint() << 2 << 2 * notch << false;
    QTest::newRow("sideways wheel") << 10 << 0.0 << QPoint(-120, 0) << QPoint() << 1 << notch << false;
    QTest::newRow("touchpad across") << 10 << 0.0 << QPoint(-200, 30) << QPoint(-25, 4) << 1 << 25.0 << false;
    QTest::newRow("touchpad upright") << 10 << 50.0 << QPoint(0, 240) << QPoint(0, 30) << 1 << 20.0 << false;
    QTest::newRow("stops at the end") << 10 << 680.0 << QPoint(0, -120) << QPoint() << 1 << 700.0 << false;
    QTest::newRow("at the start, up goes to the page") << 10 << 0.0 << QPoint(0, 120) << QPoint() << 1 << 0.0 << true;
    QTest::newRow("at the end, down goes to the page") << 10 << 700.0 << QPoint(0, -120) << QPoint() << 1 << 700.0 << true;
    QTest::newRow("all in view: to the page") << 2 << 0.0 << QPoint(0, -120) << QPoint() << 1 << 0.0 << true;
}

void TestQmlKit::sideScrollerWheel()
{
    QFETCH(int, chips);
    QFETCH(double, start);
    QFETCH(QPoint, angle);
    QFETCH(QPoint, pixels);
    QFETCH(int, turns);
    QFETCH(double, end);
    QFETCH(bool, toPage);
    QmlHarness h;
    QQuickItem *root = loadStrip(h, chips);
    QVERIFY2(root, qPrintable(h.errors()));
    QQuickItem *strip = QmlHarness::findIn(root, QStringLiteral("strip"));
    strip->setProperty("contentX", start);

    for (int i = 0; i < turns; ++i)
        QCOMPARE(h.wheel(strip, angle, pixels), !toPage);
    QCOMPARE(root->property("pageTurns").toInt(), toPage ? turns : 0);
    QTRY_VERIFY(qAbs(strip->property("contentX").toDouble() - end) < 0.5);
    QTest::qWait(250);
    QVERIFY(qAbs(strip->property("contentX").toDouble() - end) < 0.5);
}

void TestQmlKit::sideScrollerReveals_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<int>("chip"); // chip n spans n * 100 to n * 100 + 100
    QTest::addColumn<double>("end");

    // The chip and 16 beside it come into view by the shortest way.
    QTest::newRow("left of the view") << 500.0 << 1 << 84.0;
    QTest::newRow("right of the view") << 0.0 << 6 << 416.0;
    QTest::newRow("in view stays") << 100.0 << 2 << 100.0;
    QTest::newRow("partly cut on the left") << 150.0 << 1 << 84.0;
    QTest::newRow("the first: to the start") << 600.0 << 0 << 0.0;
    QTest::newRow("the last: to the end") << 0.0 << 9 << 700.0;
}

void TestQmlKit::sideScrollerReveals()
{
    QFETCH(double, start);
    QFETCH(int, chip);
    QFETCH(double, end);
    QmlHarness h;
    QQuickItem *root = loadStrip(h, 10);
    QVERIFY2(root, qPrintable(h.errors()));
    QQuickItem *strip = QmlHarness::findIn(root, QStringLiteral("strip"));
    QObject *scroller = root->findChild<QObject *>(QStringLiteral("scroller"));
    QQuickItem *item = QmlHarness::findIn(root, u"chip"_qs + QString::number(chip));
    QVERIFY(item);
    strip->setProperty("contentX", start);
    QVERIFY(QMetaObject::invokeMethod(scroller, "reveal", Q_ARG(QVariant, QVariant::fromValue(item))));
    QTRY_VERIFY(qAbs(strip->property("contentX").toDouble() - end) < 0.5);

    // Hidden, it is there at once.
    strip->setVisible(false);
    strip->setProperty("contentX", start);
    QVERIFY(QMetaObject::invokeMethod(scroller, "reveal", Q_ARG(QVariant, QVariant::fromValue(item))));
    QVERIFY(qAbs(strip->property("contentX").toDouble() - end) < 0.5);

    // Asked before the strip has a width (its window still laying out): it
    // waits for the width, then is there at once.
    strip->setVisible(true);
    strip->setWidth(0);
    strip->setProperty("contentX", start);
    QVERIFY(QMetaObject::invokeMethod(scroller, "reveal", Q_ARG(QVariant, QVariant::fromValue(item))));
    QTest::qWait(20);
    strip->setWidth(300);
    QVERIFY(qAbs(strip->property("contentX").toDouble() - end) < 0.5);
    QTest::qWait(250);
    QVERIFY(qAbs(strip->property("contentX").toDouble() - end) < 0.5);
}

void TestQmlKit::searchFieldAcceptsAndClears()
{
    QmlHarness h;
    QQuickItem *field = h.loadSource(kImports + "SearchField { width: 300; placeholder: \"Buscar en el historial\" }");
    QVERIFY2(field, qPrintable(h.errors()));
    QSignalSpy accepted(field, SIGNAL(accepted(QString)));
    h.window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(h.window()));
    QQuickItem *clear = QmlHarness::findIn(field, QStringLiteral("searchClear"));
    QVERIFY(!clear->isVisible());

    QVERIFY(h.click(QmlHarness::findIn(field, QStringLiteral("searchInput"))));
    QVERIFY(field->property("active").toBool());
    for (char c : QByteArrayLiteral("gatos"))
        QTest::keyClick(h.window(), c);
    QTest::keyClick(h.window(), Qt::Key_Return);
    QCOMPARE(accepted.count(), 1);
    QCOMPARE(accepted.at(0).at(0).toString(), QStringLiteral("gatos"));

    // Clearing empties the text and keeps the field in use.
    QVERIFY(h.click(clear));
    QCOMPARE(field->property("text").toString(), QString());
    QVERIFY(!clear->isVisible());
    QVERIFY(field->property("active").toBool());
    QCOMPARE(accepted.count(), 1);
}

// Text clicked to select in it keeps the window's Escape and Space working
// unless it takes typing; what is selected can still be copied.
void TestQmlKit::focusedTextLeavesTheWindowKeys_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("typing");
    QTest::newRow("TextEdit, read-only") << QByteArray("TextEdit { readOnly: true;") << false;
    QTest::newRow("TextArea, read-only") << QByteArray("TextArea { readOnly: true;") << false;
    QTest::newRow("TextInput, read-only") << QByteArray("TextInput { readOnly: true;") << false;
    QTest::newRow("TextEdit that takes typing") << QByteArray("TextEdit {") << true;
    QTest::newRow("TextField") << QByteArray("TextField {") << true;
}

void TestQmlKit::focusedTextLeavesTheWindowKeys()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, typing);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
                                    "  property int escapes: 0\n  property int spaces: 0\n"
                                    "  Shortcut { sequence: \"Esc\"; onActivated: escapes++ }\n"
                                    "  Shortcut { sequence: \"Space\"; onActivated: spaces++ }\n  "
                                    + text + " selectByMouse: true; objectName: \"text\"; width: 300; height: 40; text: \"hola mundo\" }\n}");
    QVERIFY2(root, qPrintable(h.errors()));
    h.window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(h.window()));
    QQuickItem *field = h.find(QStringLiteral("text"));
    QmlHarness::drag(h.window(), field->mapToScene(QPointF(2, 8)).toPoint(), QPoint(60, 0));
    QVERIFY(field->hasActiveFocus());
    const QString selected = field->property("selectedText").toString();
    QVERIFY(!selected.isEmpty());

    Pasteboard::shared().setString(QStringLiteral("antes"));
    QTest::keyClick(h.window(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(Pasteboard::shared().string(), selected);
    QTest::keyClick(h.window(), Qt::Key_Space);
    QCOMPARE(root->property("spaces").toInt(), typing ? 0 : 1);
    if (!typing) {
        QTest::keyClick(h.window(), Qt::Key_Escape);
        QCOMPARE(root->property("escapes").toInt(), 1);
    }
}

void TestQmlKit::dialogsAnswerOnce_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    QTest::newRow("alert confirm") << "TextAlert" << "alertConfirm" << "confirmed:Vacaciones";
    QTest::newRow("alert return key") << "TextAlert" << "return" << "confirmed:Vacaciones";
    QTest::newRow("alert cancel") << "TextAlert" << "alertCancel" << "canceled";
    QTest::newRow("alert escape") << "TextAlert" << "escape" << "canceled";
    QTest::newRow("confirm action") << "Confirm" << "confirmAction" << "confirmed:";
    QTest::newRow("confirm cancel") << "Confirm" << "confirmCancel" << "canceled";
    QTest::newRow("confirm tap outside") << "Confirm" << "outside" << "canceled";
}

void TestQmlKit::dialogsAnswerOnce()
{
    QFETCH(QString, dialog);
    QFETCH(QString, answer);
    QFETCH(QString, expected);

    QmlHarness h;
    const QByteArray extra = dialog == "TextAlert" ? "confirmText: \"Crear\"" : "actionText: \"Vaciar\"";
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
                                               "  property var answers: []\n"
                                               "  property alias dialog: dialog\n  " +
                                    dialog.toUtf8() + " { id: dialog; title: \"T\"; " + extra + "\n"
                                    "    onConfirmed: (text) => answers = answers.concat([\"confirmed:\" + (text || \"\")])\n"
                                    "    onCanceled: answers = answers.concat([\"canceled\"]) }\n"
                                    "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *popup = root->property("dialog").value<QObject *>();
    QSignalSpy opened(popup, SIGNAL(opened()));
    QSignalSpy closed(popup, SIGNAL(closed()));
    h.window()->requestActivate();
    QVERIFY(QTest::qWaitForWindowActive(h.window()));
    QMetaObject::invokeMethod(popup, "open");
    QVERIFY(TestTime::wait(opened));

    if (dialog == "TextAlert")
        for (char c : QByteArrayLiteral("Vacaciones"))
            QTest::keyClick(h.window(), c);

    if (answer == "return")
        QTest::keyClick(h.window(), Qt::Key_Return);
    else if (answer == "escape")
        QTest::keyClick(h.window(), Qt::Key_Escape);
    else if (answer == "outside")
        QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, QPoint(200, 100));
    else
        QVERIFY(h.click(h.find(answer)));

    QTRY_COMPARE(closed.count(), 1);
    QTest::qWait(50);
    QCOMPARE(root->property("answers").toStringList(), QStringList{expected});
}

QTEST_MAIN(TestQmlKit)
#include "tst_qmlkit.moc"
