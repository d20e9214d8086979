// The two file dialogs, opened through the real QML as a user opens them:
// "Restaurar desde un archivo" in the backup section and "Guardar una
// copia…" in the share sheet. When Qt's dialog cannot load, a message shows
// instead of a crash.
#include "AppFixture.h"
#include "AppScheme.h"
#include "FilePicker.h"
#include "LibraryStore.h"
#include "QmlHarness.h"
#include "ShareSheet.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

namespace {

Video video(const QString &id)
{
    Video v;
    v.id = id;
    v.channel = u"Canal"_qs;
    return v;
}

// The texts the dialog Qt draws shows on its buttons and labels.
QStringList textsIn(QQuickItem *item)
{
    QStringList out;
    if (!item || !item->isVisible())
        return out;
    const QString text = item->property("text").toString();
    if (!text.isEmpty())
        out << text;
    for (QQuickItem *child : item->childItems())
        out << textsIn(child);
    return out;
}

// The shown item whose text is `text`, deepest first.
QQuickItem *itemWithText(QQuickItem *item, const QString &text)
{
    if (!item || !item->isVisible())
        return nullptr;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = itemWithText(child, text))
            return found;
    }
    return item->property("text").toString() == text ? item : nullptr;
}

// The text field showing `text`; with a null text, the first one.
QQuickItem *fieldWithText(QQuickItem *item, const QString &text)
{
    if (!item || !item->isVisible())
        return nullptr;
    if (item->inherits("QQuickTextInput") && (text.isNull() || item->property("text").toString() == text))
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = fieldWithText(child, text))
            return found;
    }
    return nullptr;
}

// Whether Qt's dialog is drawn dark: a point of its own background, just
// inside its top left corner, as the window shows it.
bool drawnDark(QQuickWindow *window)
{
    QQuickItem *popup = nullptr;
    std::function<void(QQuickItem *)> find = [&](QQuickItem *item) {
        if (item->isVisible() && item->inherits("QQuickPopupItem") && item->width() > 300)
            popup = item;
        for (QQuickItem *child : item->childItems())
            find(child);
    };
    find(window->contentItem());
    if (!popup)
        return false;
    const QPointF corner = popup->mapToScene(QPointF(6, 6)) * window->devicePixelRatio();
    return window->grabWindow().pixelColor(corner.toPoint()).lightnessF() < 0.4;
}

// Whether `item` is drawn dark just inside its left edge, half way down.
bool drawnDarkAt(QQuickItem *item)
{
    QQuickWindow *window = item->window();
    const QPointF at = item->mapToScene(QPointF(4, item->height() / 2)) * window->devicePixelRatio();
    return window->grabWindow().pixelColor(at.toPoint()).lightnessF() < 0.4;
}

} // namespace

class TestFileDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // The picker behind `row`, opened by a click on it.
    static QObject *dialogOf(QmlHarness &qml, const QString &picker)
    {
        QQuickItem *item = qml.find(picker);
        return item ? item->property("dialog").value<QObject *>() : nullptr;
    }

private slots:
    void initTestCase() { AppFixture::prepare(); }
    void init() { AppFixture::clearData(); }
    void cleanup()
    {
        FilePicker::setModuleForTests("Qt.labs.folderlistmodel");
        ShareSheet::shared().dismiss();
        AppScheme::shared().setScheme(1);
    }

    void restore_data()
    {
        QTest::addColumn<bool>("loads");
        QTest::addColumn<bool>("dark");
        QTest::newRow("the dialog loads") << true << false;
        QTest::newRow("the dialog loads, in the dark scheme: dark") << true << true;
        QTest::newRow("it cannot load: a message") << false << false;
    }
    // "Restaurar desde un archivo" opens the picker in Spanish; the file
    // chosen there replaces the library.
    void restore()
    {
        QFETCH(bool, loads);
        QFETCH(bool, dark);
        AppScheme::shared().setScheme(dark ? 2 : 1);
        if (!loads)
            FilePicker::setModuleForTests("Qt.labs.notinstalled");
        LibraryStore library;
        library.addToHistory(video(u"a"_qs));
        const QString backup = m_dir.filePath(u"copia.json"_qs);
        QFile::remove(backup);
        QVERIFY(QFile::copy(library.exportBackup().toLocalFile(), backup));
        library.addToHistory(video(u"b"_qs));

        QmlHarness qml;
        qml.window()->resize(430, 932);
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Settings
            Item {
                property var library
                BackupSection { width: parent.width; library: parent.library }
            })",
                                          {{u"library"_qs, QVariant::fromValue(&library)}});
        QVERIFY2(root, qPrintable(qml.errors()));
        QVERIFY(qml.click(u"restoreRow"_qs));
        QObject *dialog = dialogOf(qml, u"restorePicker"_qs);
        if (!loads) {
            QVERIFY(!dialog);
            QTRY_VERIFY(qml.find(u"filePickerUnavailable"_qs) && qml.find(u"filePickerUnavailable"_qs)->isVisible());
            QVERIFY(qml.click(u"filePickerUnavailableOk"_qs));
            QCOMPARE(library.history().size(), 2);
            return;
        }
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->property("visible").toBool());
        QTRY_VERIFY(textsIn(qml.window()->contentItem()).contains(u"Cancelar"_qs));
        QVERIFY(textsIn(qml.window()->contentItem()).contains(u"Abrir"_qs));
        QCOMPARE(dialog->property("currentFolder").toUrl(), FilePicker::startFolder());
        QTRY_COMPARE(drawnDark(qml.window()), dark);

        // The user goes to the folder, picks the file and presses "Abrir".
        dialog->setProperty("currentFolder", QUrl::fromLocalFile(m_dir.path()));
        QQuickItem *content = qml.window()->contentItem();
        QTRY_VERIFY(itemWithText(content, u"copia.json"_qs));
        QVERIFY(qml.click(itemWithText(content, u"copia.json"_qs)));
        QVERIFY(qml.click(itemWithText(content, u"Abrir"_qs)));
        QTRY_VERIFY(!dialog->property("visible").toBool());
        QTRY_COMPARE(library.history().size(), 1);
        QTRY_VERIFY(!qml.find(u"createBackupRow"_qs) || qml.find(u"createBackupRow"_qs)->isVisible());
    }

    void save_data()
    {
        QTest::addColumn<bool>("loads");
        QTest::addColumn<bool>("dark");
        QTest::newRow("the dialog loads") << true << false;
        QTest::newRow("the dialog loads, in the dark scheme: dark") << true << true;
        QTest::newRow("it cannot load: a message") << false << false;
    }
    // "Guardar una copia…" of a shared file asks where, in Spanish, and copies it there.
    void save()
    {
        QFETCH(bool, loads);
        QFETCH(bool, dark);
        AppScheme::shared().setScheme(dark ? 2 : 1);
        if (!loads)
            FilePicker::setModuleForTests("Qt.labs.notinstalled");
        const QString source = m_dir.filePath(u"Nimbelora-2024-01-01.json"_qs);
        {
            QFile f(source);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("{}");
        }
        const QString target = m_dir.filePath(u"guardada.json"_qs);
        QFile::remove(target);
        for (const QString &name : {u"otra-copia.json"_qs, u"otro.txt"_qs}) {
            QFile other(m_dir.filePath(name));
            QVERIFY(other.open(QIODevice::WriteOnly));
        }

        QmlHarness qml;
        QQuickItem *host = qml.loadSource("import QtQuick\nimport Nimbelora.Shell\nItem { property alias sheet: sheet\n ShareSheetView { id: sheet } }\n");
        QVERIFY2(host, qPrintable(qml.errors()));
        QObject *sheet = host->property("sheet").value<QObject *>();
        QVERIFY(ShareSheet::shared().share(QUrl::fromLocalFile(source)));
        QTRY_VERIFY(sheet->property("opened").toBool());
        QTest::qWait(400); // the sheet slides in
        QVERIFY(qml.click(u"shareSave"_qs));
        QObject *dialog = dialogOf(qml, u"savePicker"_qs);
        if (!loads) {
            QVERIFY(!dialog);
            QTRY_VERIFY(qml.find(u"filePickerUnavailable"_qs) && qml.find(u"filePickerUnavailable"_qs)->isVisible());
            ShareSheet::shared().dismiss();
            return;
        }
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->property("visible").toBool());
        QTRY_VERIFY(textsIn(qml.window()->contentItem()).contains(u"Cancelar"_qs));
        QVERIFY(textsIn(qml.window()->contentItem()).contains(u"Guardar"_qs));

        QSignalSpy saved(&ShareSheet::shared(), &ShareSheet::saveFinished);
        // The user goes to the folder, names the copy and presses "Guardar".
        QQuickItem *content = qml.window()->contentItem();
        QVERIFY(fieldWithText(content, u"Nimbelora-2024-01-01.json"_qs)); // the name offered
        // Where the restore starts, not the folder the app was started from.
        QCOMPARE(dialog->property("currentFolder").toUrl(), FilePicker::startFolder());
        QTRY_COMPARE(drawnDark(qml.window()), dark);
        dialog->setProperty("currentFolder", QUrl::fromLocalFile(m_dir.path()));
        // Only files of the shared one's kind are listed.
        QTRY_VERIFY(itemWithText(content, u"otra-copia.json"_qs));
        QVERIFY(!itemWithText(content, u"otro.txt"_qs));
        QQuickItem *name = fieldWithText(content, QString());
        QVERIFY(name);
        // Its name field, the parts Qt colours apart, follows the scheme too.
        QTRY_COMPARE(drawnDarkAt(name), dark);
        QVERIFY(qml.click(name));
        QTest::keySequence(qml.window(), QKeySequence::SelectAll);
        for (char c : QByteArrayLiteral("guardada.json"))
            QTest::keyClick(qml.window(), c);
        QCOMPARE(name->property("text").toString(), u"guardada.json"_qs);
        QTest::keyClick(qml.window(), Qt::Key_Tab); // the name is taken as the field is left
        QVERIFY(qml.click(itemWithText(content, u"Guardar"_qs)));
        QVERIFY(saved.wait(5000));
        QCOMPARE(saved.first().first().toBool(), true);
        QVERIFY(QFile::exists(target));
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestFileDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filedialogs.moc"
