#include "DoubleClickTime.h"
#include "QmlHarness.h"
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <functional>
#include <QTest>

namespace {

const QByteArray kImports = "import QtQuick\nimport QtQuick.Controls.Basic\nimport Nimbelora.Platform\n";

QPoint centreOf(QQuickItem *item)
{
    return item->mapToScene(QPointF(item->width() / 2, item->height() / 2)).toPoint();
}

// Wide enough that a busy machine still clicks within it.
constexpr int kInterval = 1000;

} // namespace

// The window's rules for the mouse: a double click's second press reaches
// only what took the first, and only what wants it; a layer takes every
// press, drag and wheel over its area.
class TestPointerGate : public QObject
{
    Q_OBJECT

private slots:
    void secondPress_data();
    void secondPress();
    void pressesOutsideALayer_data();
    void pressesOutsideALayer();
    void textFieldKeepsDoubleClicks();
    void fileDialogDoubleClicks();
    void wheelInALayerInALayer();
    void layerTakesEverything_data();
    void layerTakesEverything();
};

void TestPointerGate::secondPress_data()
{
    QTest::addColumn<QString>("first");   // what the button's click does: "" nothing, hide, move (away), nudge (a little),
                                          // shrink (its right edge stays), symbol / busy (a picture or a
                                          // spinner over it), swap (another comes in), cover (it goes from over
                                          // another), popup (opens a modal layer beside it); "once": the button says so
    QTest::addColumn<QString>("steps");   // c: click the spot, w: wait out the double-click time (the events' clock too),
                                          // b: click beyond the double-click distance, p / r: press / release the spot,
                                          // m: the middle button, e / n: click the button's right edge / the
                                          // neighbour 3 px from there
    QTest::addColumn<int>("clicks");      // clicks the first button took
    QTest::addColumn<int>("others");      // clicks what came in, or the neighbour, took; or the layer's closings
    QTest::addColumn<int>("beneath");     // presses the page beneath took

    QTest::newRow("a double click acts in place twice") << "" << "cc" << 2 << 0 << 0;
    QTest::newRow("its first click hides the button") << "hide" << "cc" << 1 << 0 << 0;
    QTest::newRow("its first click moves the button away") << "move" << "cc" << 1 << 0 << 0;
    QTest::newRow("it moves, still under the pointer") << "nudge" << "cc" << 2 << 0 << 0;
    QTest::newRow("its label shortens, anchored right") << "shrink" << "cc" << 2 << 0 << 0;
    QTest::newRow("a symbol comes up over it") << "symbol" << "cc" << 2 << 0 << 0;
    QTest::newRow("a spinner comes up over it while it works") << "busy" << "cc" << 2 << 0 << 0;
    QTest::newRow("it goes, uncovering another") << "cover" << "cc" << 1 << 0 << 0;
    QTest::newRow("it goes, uncovering another, after the time") << "cover" << "cwc" << 1 << 1 << 0;
    QTest::newRow("another button comes in under it") << "swap" << "cc" << 1 << 0 << 0;
    QTest::newRow("another comes in, after the time") << "swap" << "cwc" << 1 << 1 << 0;
    QTest::newRow("a layer opens beside it") << "popup" << "cc" << 1 << 0 << 0;
    QTest::newRow("a layer opens, after the time") << "popup" << "cwc" << 1 << 1 << 0;
    QTest::newRow("a button that says once") << "once" << "cc" << 1 << 0 << 0;
    QTest::newRow("a button that says once, after the time") << "once" << "cwc" << 2 << 0 << 0;
    QTest::newRow("two clicks past the double-click time") << "" << "cwc" << 2 << 0 << 0;
    QTest::newRow("the second beyond the distance") << "hide" << "cb" << 1 << 0 << 1;
    QTest::newRow("second press held past the time") << "" << "cpwr" << 2 << 0 << 0;
    QTest::newRow("a third press") << "" << "ccc" << 3 << 0 << 0;
    QTest::newRow("another button's second press") << "" << "cm" << 1 << 0 << 1;
    QTest::newRow("the neighbour 3 px on") << "" << "en" << 1 << 1 << 0;
    QTest::newRow("the neighbour 3 px on, the first hidden") << "hide" << "en" << 1 << 1 << 0;
}

void TestPointerGate::secondPress()
{
    QFETCH(QString, first);
    QFETCH(QString, steps);
    QFETCH(int, clicks);
    QFETCH(int, others);
    QFETCH(int, beneath);
    const DoubleClickTime doubleClick(kInterval);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
        "  id: root\n"
        "  width: 400; height: 400\n"
        "  property string first\n"
        "  property int clicks: 0\n"
        "  property int others: 0\n"
        "  property int beneath: 0\n"
        "  MouseArea { anchors.fill: parent; acceptedButtons: Qt.AllButtons; onPressed: root.beneath++ }\n"
        "  Button { objectName: \"other\"; x: 100; y: 100; width: 120; height: 40; visible: !button.visible\n"
        "           onClicked: root.others++ }\n"
        "  Button { x: 220; y: 100; width: 120; height: 40; onClicked: root.others++ }\n"
        "  Button { x: 100; y: 100; width: 120; height: 40; visible: root.first === 'cover'; onClicked: root.others++ }\n"
        "  Button { id: button; objectName: \"button\"; x: 100; y: 100; width: 120; height: 40\n"
        "    text: root.clicks > 0 && root.first === 'shrink' ? 'Hecho' : 'Hacer esto'\n"
        "    PointerGate.once: root.first === 'once'\n"
        "    onClicked: { root.clicks++\n"
        "      if (root.first === 'hide' || root.first === 'swap' || root.first === 'cover') visible = false\n"
        "      else if (root.first === 'move') x += 130\n"
        "      else if (root.first === 'nudge') x += 10\n"
        "      else if (root.first === 'shrink') { x += 40; width -= 40 }\n"
        "      else if (root.first === 'popup') popup.open() }\n"
        "  }\n"
        "  Rectangle { x: 140; y: 100; width: 40; height: 40; visible: root.clicks > 0 && root.first === 'symbol' }\n"
        "  BusyIndicator { x: 140; y: 100; width: 40; height: 40; running: visible\n"
        "                  visible: root.clicks > 0 && root.first === 'busy' }\n"
        "  Popup { id: popup; modal: true; x: 20; y: 250; width: 300; height: 100; onClosed: root.others++ }\n"
        "}", {{QStringLiteral("first"), first}});
    QVERIFY2(root, qPrintable(h.errors()));
    const QPoint on = centreOf(h.find(QStringLiteral("button")));
    const QPoint beyond = on + QPoint(0, 40);
    const QPoint edge(218, on.y());
    for (const QChar step : steps) {
        switch (step.unicode()) {
        case 'c': QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, on); break;
        case 'b': QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, beyond); break;
        case 'm': QTest::mouseClick(h.window(), Qt::MiddleButton, Qt::NoModifier, on); break;
        case 'p': QTest::mousePress(h.window(), Qt::LeftButton, Qt::NoModifier, on); break;
        case 'r': QTest::mouseRelease(h.window(), Qt::LeftButton, Qt::NoModifier, on); break;
        case 'e': QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, edge); break;
        case 'n': QTest::mouseClick(h.window(), Qt::LeftButton, Qt::NoModifier, edge + QPoint(3, 0)); break;
        case 'w': doubleClick.passes(); break;
        }
    }
    QTest::qWait(50);
    QCOMPARE(root->property("clicks").toInt(), clicks);
    QCOMPARE(root->property("others").toInt(), others);
    QCOMPARE(root->property("beneath").toInt(), beneath);
}

void TestPointerGate::pressesOutsideALayer_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("hold");     // held past a long press
    QTest::addColumn<bool>("pastExit"); // held until the menu has gone, then dragged
    QTest::newRow("right") << int(Qt::RightButton) << false << false;
    QTest::newRow("left") << int(Qt::LeftButton) << false << false;
    QTest::newRow("left, held") << int(Qt::LeftButton) << true << false;
    QTest::newRow("middle") << int(Qt::MiddleButton) << false << false;
    QTest::newRow("left, dragged once the menu has gone") << int(Qt::LeftButton) << false << true;
    QTest::newRow("right, dragged once the menu has gone") << int(Qt::RightButton) << false << true;
}

// A card's menu open, a press on another card outside it: the menu closes,
// the card beneath neither taps, long-presses nor drags, and nothing ends.
void TestPointerGate::pressesOutsideALayer()
{
    QFETCH(int, button);
    QFETCH(bool, hold);
    QFETCH(bool, pastExit);
    const DoubleClickTime doubleClick(kInterval);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
        "  id: root\n"
        "  anchors.fill: parent\n"
        "  property var seen: []\n"
        "  function saw(what) { seen = seen.concat([what]) }\n"
        "  property alias menu: menu\n"
        "  component Card: Rectangle {\n"
        "    id: card\n"
        "    width: 300; height: 150; color: 'grey'\n"
        "    TapHandler { acceptedButtons: Qt.RightButton; onTapped: { root.saw('right ' + card.objectName); menu.popup() } }\n"
        "    TapHandler { longPressThreshold: 0.2; onTapped: root.saw('tap ' + card.objectName)\n"
        "                 onLongPressed: root.saw('long ' + card.objectName) }\n"
        "    DragHandler { target: null; onActiveChanged: if (active) root.saw('drag ' + card.objectName) }\n"
        "  }\n"
        "  Card { objectName: 'a'; x: 20; y: 20 }\n"
        "  Card { objectName: 'b'; x: 20; y: 400 }\n"
        "  Menu { id: menu; modal: true; dim: false; width: 150\n"
        "    onAboutToHide: modal = false; onAboutToShow: modal = true\n"
        "    MenuItem { text: 'Uno' } MenuItem { text: 'Dos' } }\n"
        "}");
    QVERIFY2(root, qPrintable(h.errors()));
    QWindow *w = h.window();
    QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, QPoint(60, 60));
    auto *menu = root->property("menu").value<QObject *>();
    QTRY_VERIFY(menu->property("opened").toBool());
    QCOMPARE(root->property("seen").toStringList(), QStringList{u"right a"_qs});
    root->setProperty("seen", QVariantList());

    const QPoint onB(100, 470);
    QTest::mousePress(w, Qt::MouseButton(button), Qt::NoModifier, onB);
    if (hold)
        QTest::qWait(400);
    if (pastExit)
        QTRY_VERIFY(!menu->property("visible").toBool());
    // The press goes on as a drag: in steps, as a hand moves.
    for (int step = 1; step <= 6; ++step)
        QTest::mouseMove(w, onB + QPoint(step * 10, 0));
    QTest::mouseRelease(w, Qt::MouseButton(button), Qt::NoModifier, onB + QPoint(60, 0));
    QTRY_VERIFY(!menu->property("visible").toBool());
    QTest::qWait(300);
    QCOMPARE(root->property("seen").toStringList(), QStringList());
    // Once it has gone the card takes presses again.
    doubleClick.apart();
    QTest::mouseClick(w, Qt::RightButton, Qt::NoModifier, onB);
    QTRY_COMPARE(root->property("seen").toStringList(), QStringList{u"right b"_qs});
}

// Qt's own file dialog answers double clicks itself: a folder's enters it, a
// file's chooses it.
void TestPointerGate::fileDialogDoubleClicks()
{
    const DoubleClickTime doubleClick(kInterval);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(u"copias"_qs));
    QFile file(dir.filePath(u"copias/nimbelora.json"_qs));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "import QtQuick.Dialogs\n"
        "Item {\n"
        "  id: root\n"
        "  anchors.fill: parent\n"
        "  property url folder\n"
        "  property url chosen\n"
        "  property alias dialog: dialog\n"
        "  FileDialog { id: dialog; parentWindow: root.Window.window; currentFolder: root.folder\n"
        "               onAccepted: root.chosen = selectedFile }\n"
        "}", {{QStringLiteral("folder"), QUrl::fromLocalFile(dir.path())}});
    QVERIFY2(root, qPrintable(h.errors()));
    auto *dialog = root->property("dialog").value<QObject *>();
    QMetaObject::invokeMethod(dialog, "open");
    const auto row = [&](const QString &name) -> QQuickItem * {
        QQuickItem *found = nullptr;
        const std::function<void(QQuickItem *)> look = [&](QQuickItem *item) {
            if (item->inherits("QQuickFileDialogDelegate") && item->isVisible()
                && item->property("fileName").toString() == name)
                found = item;
            for (QQuickItem *child : item->childItems())
                look(child);
        };
        QmlHarness::waitFor([&] {
            look(h.window()->contentItem());
            return found != nullptr;
        });
        return found;
    };
    QQuickItem *folder = row(u"copias"_qs);
    QVERIFY(folder);
    QTest::mouseDClick(h.window(), Qt::LeftButton, Qt::NoModifier, centreOf(folder));
    QTRY_COMPARE(dialog->property("currentFolder").toUrl(), QUrl::fromLocalFile(dir.filePath(u"copias"_qs)));
    doubleClick.apart();
    QQuickItem *json = row(u"nimbelora.json"_qs);
    QVERIFY(json);
    QTest::mouseDClick(h.window(), Qt::LeftButton, Qt::NoModifier, centreOf(json));
    QTRY_COMPARE(root->property("chosen").toUrl(), QUrl::fromLocalFile(file.fileName()));
}

// What wants double clicks keeps them: a word chosen in a text field, and
// an item that says so counts two taps.
void TestPointerGate::textFieldKeepsDoubleClicks()
{
    const DoubleClickTime doubleClick(kInterval);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
        "  width: 400; height: 400\n"
        "  property int taps: 0\n"
        "  TextField { objectName: \"field\"; width: 300; height: 40; text: \"hola mundo\" }\n"
        "  Item { objectName: \"zone\"; y: 100; width: 300; height: 100; PointerGate.doubleClicks: true\n"
        "    TapHandler { onTapped: parent.parent.taps = Math.max(parent.parent.taps, tapCount) } }\n"
        "}");
    QVERIFY2(root, qPrintable(h.errors()));
    QQuickItem *field = h.find(QStringLiteral("field"));
    QTest::mouseDClick(h.window(), Qt::LeftButton, Qt::NoModifier, field->mapToScene(QPointF(20, 20)).toPoint());
    QTRY_COMPARE(field->property("selectedText").toString(), QStringLiteral("hola"));
    QTest::mouseDClick(h.window(), Qt::LeftButton, Qt::NoModifier, centreOf(h.find(QStringLiteral("zone"))));
    QTRY_COMPARE(root->property("taps").toInt(), 2);
}

void TestPointerGate::layerTakesEverything_data()
{
    QTest::addColumn<QString>("state"); // open, opening or closing
    for (const char *state : {"open", "opening", "closing"})
        QTest::newRow(state) << state;
}

// Over a popup's area, and anywhere while it is modal and open, nothing
// beneath sees a press of any button, a drag either way, a long press or the wheel.
void TestPointerGate::layerTakesEverything()
{
    QFETCH(QString, state);
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
        "  id: root\n"
        "  anchors.fill: parent\n"
        "  property var seen: []\n"
        "  function saw(what) { seen = seen.concat([what]) }\n"
        "  property alias popup: popup\n"
        "  property int inside: 0\n"
        "  MouseArea { anchors.fill: parent; acceptedButtons: Qt.AllButtons\n"
        "    onPressed: root.saw('press'); onWheel: root.saw('wheel') }\n"
        "  TapHandler { acceptedButtons: Qt.AllButtons; longPressThreshold: 0.2\n"
        "    onTapped: root.saw('tap'); onLongPressed: root.saw('long') }\n"
        "  DragHandler { target: null; onActiveChanged: if (active) root.saw('drag') }\n"
        "  Popup {\n"
        "    id: popup; modal: true; x: 50; y: 200; width: 300; height: 400; closePolicy: Popup.NoAutoClose\n"
        "    property int enterMs: 60000\n"
        "    property int exitMs: 60000\n"
        "    enter: Transition { NumberAnimation { property: 'opacity'; from: 0.5; to: 1; duration: popup.enterMs } }\n"
        "    exit: Transition { NumberAnimation { property: 'opacity'; to: 0.5; duration: popup.exitMs } }\n"
        "    onAboutToHide: modal = false\n"
        "    Rectangle { anchors.fill: parent; color: 'grey' }\n"
        "  }\n"
        "}");
    QVERIFY2(root, qPrintable(h.errors()));
    auto *popup = root->property("popup").value<QObject *>();
    if (state != u"opening")
        popup->setProperty("enterMs", 0);
    QMetaObject::invokeMethod(popup, "open");
    if (state == u"open")
        QTRY_VERIFY(popup->property("opened").toBool());
    if (state == u"closing") {
        QTRY_VERIFY(popup->property("opened").toBool());
        QMetaObject::invokeMethod(popup, "close");
    }
    QTest::qWait(50);
    QVERIFY(popup->property("visible").toBool());

    QWindow *w = h.window();
    QList<QPoint> grid;
    for (int x = 80; x < 350; x += 120)
        for (int y = 230; y < 600; y += 160)
            grid << QPoint(x, y);
    if (state != u"closing") // outside it, the modal layer holds the window
        grid << QPoint(20, 20) << QPoint(380, 900);
    for (const QPoint at : grid) {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton})
            QTest::mouseClick(w, button, Qt::NoModifier, at);
        QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at);
        QTest::qWait(300); // past a long press
        QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at);
        QmlHarness::drag(w, at, QPoint(100, 0));
        QmlHarness::drag(w, at, QPoint(-100, 0));
        QmlHarness::drag(w, at, QPoint(0, 150));
        QWheelEvent wheel(at, w->mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(w, &wheel);
        const QStringList seen = root->property("seen").toStringList();
        QVERIFY2(seen.isEmpty(), qPrintable(u"at %1,%2: %3"_qs.arg(at.x()).arg(at.y()).arg(seen.join(u' '))));
    }
    // Past it, once it has gone, the page takes them again.
    QPointer<QObject> gone(popup);
    popup->deleteLater();
    QTRY_VERIFY(!gone);
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, grid.first());
    QTRY_VERIFY(root->property("seen").toStringList().contains(u"press"_qs));
}

// A sheet opened in a modal cover scrolls by the wheel, after a click in it
// too; what lies beneath both does not move.
void TestPointerGate::wheelInALayerInALayer()
{
    QmlHarness h;
    QQuickItem *root = h.loadSource(kImports + "Item {\n"
        "  id: root\n"
        "  anchors.fill: parent\n"
        "  property alias cover: cover\n"
        "  property alias sheet: sheet\n"
        "  Flickable { objectName: 'beneath'; anchors.fill: parent; contentHeight: 3000 }\n"
        "  Popup { id: cover; modal: true; width: 430; height: 932; closePolicy: Popup.NoAutoClose\n"
        "    Popup { id: sheet; modal: true; y: 400; width: 400; height: 400; closePolicy: Popup.NoAutoClose\n"
        "      Flickable { objectName: 'scroller'; anchors.fill: parent; contentHeight: 3000\n"
        "        Button { objectName: 'entry'; text: 'Uno' } } } }\n"
        "}");
    QVERIFY2(root, qPrintable(h.errors()));
    QMetaObject::invokeMethod(root->property("cover").value<QObject *>(), "open");
    QTest::qWait(100);
    QMetaObject::invokeMethod(root->property("sheet").value<QObject *>(), "open");
    QTest::qWait(300);
    QQuickItem *scroller = h.find(u"scroller"_qs);
    QVERIFY(scroller);
    QVERIFY(h.click(u"entry"_qs));
    h.wheel(scroller, QPoint(0, -120));
    QTRY_VERIFY_WITH_TIMEOUT(scroller->property("contentY").toReal() > 0, 1000);
    QCOMPARE(h.find(u"beneath"_qs)->property("contentY").toReal(), 0.0);
}

QTEST_MAIN(TestPointerGate)
#include "tst_pointergate.moc"
