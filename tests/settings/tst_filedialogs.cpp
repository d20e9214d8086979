// The two file dialogs, opened through the real QML as a user opens them:
// "Restaurar desde un archivo" in the backup section and "Guardar una
// copia…" in the share sheet. When Qt's dialog cannot load, a message shows
// instead of a crash. Qt's own dialog, drawn where the desktop has none,
// speaks Spanish, fits the phone-wide window in both schemes, keeps the
// name offered and takes a choice as soon as there is one.
#include "AppFixture.h"
#include "AppScheme.h"
#include "FilePicker.h"
#include "LibraryStore.h"
#include "QmlHarness.h"
#include "ShareSheet.h"
#include "DoubleClickTime.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <private/qquickpopup_p.h>

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

// A text as the window draws it: where its letters are, cut to what clips it.
struct DrawnText
{
    QQuickItem *item;
    QString text;
    QRectF rect;
};

QList<DrawnText> textsDrawn(QQuickItem *root)
{
    QList<DrawnText> out;
    const std::function<void(QQuickItem *, QRectF)> walk = [&](QQuickItem *item, QRectF clip) {
        if (!item->isVisible() || item->opacity() <= 0)
            return;
        if (item->clip())
            clip &= item->mapRectToScene(QRectF(0, 0, item->width(), item->height()));
        const QString text = item->property("text").toString();
        if ((item->inherits("QQuickText") || item->inherits("QQuickTextInput")) && !text.isEmpty()) {
            const QRectF letters = item->mapRectToScene(item->boundingRect()) & clip;
            if (!letters.isEmpty())
                out << DrawnText{item, text, letters};
        }
        for (QQuickItem *child : item->childItems())
            walk(child, clip);
    };
    walk(root, QRectF(-1e6, -1e6, 2e6, 2e6));
    return out;
}

// The texts drawn over each other in `root`, as "a / b".
QStringList overlaps(QQuickItem *root)
{
    const QList<DrawnText> texts = textsDrawn(root);
    QStringList out;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        for (qsizetype j = i + 1; j < texts.size(); ++j) {
            const QRectF both = texts[i].rect & texts[j].rect;
            if (both.width() > 0.5 && both.height() > 0.5)
                out << texts[i].text + u" / "_qs + texts[j].text;
        }
    }
    return out;
}

QQuickItem *ancestorOfType(QQuickItem *item, const char *type)
{
    while (item && !item->inherits(type))
        item = item->parentItem();
    return item;
}

QQuickItem *descendantOfType(QQuickItem *item, const char *type)
{
    if (!item || item->inherits(type))
        return item;
    for (QQuickItem *child : item->childItems()) {
        if (QQuickItem *found = descendantOfType(child, type))
            return found;
    }
    return nullptr;
}

// The shown button whose label is `text`.
QQuickItem *buttonWithText(QQuickItem *root, const QString &text)
{
    return ancestorOfType(itemWithText(root, text), "QQuickAbstractButton");
}

double luminance(QColor c)
{
    const auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(QColor a, QColor b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void writeFile(const QString &path, qsizetype bytes, const QDateTime &modified = {})
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(bytes, 'x'));
    QVERIFY(f.flush());
    if (modified.isValid())
        QVERIFY(f.setFileTime(modified, QFileDevice::FileModificationTime));
}

const QString kOffered = u"Nimbelora-2026-12-08.json"_qs;

// The text the list of Qt's dialog `drawn` writes the file `name` in, and
// that file's row.
QQuickItem *nameInList(QQuickPopup *drawn, const QString &name)
{
    return itemWithText(drawn->contentItem(), name);
}
QQuickItem *rowInList(QQuickPopup *drawn, const QString &name)
{
    return ancestorOfType(nameInList(drawn, name), "QQuickFileDialogDelegate");
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

    // A picker set up as the two screens set theirs up, opened; Qt's dialog
    // as drawn, or null.
    static QQuickPopup *openPicker(QmlHarness &qml, bool saving)
    {
        QQuickItem *picker = qml.loadSource("import Nimbelora.Foundation\nFilePickerDialog { objectName: \"picker\" }\n",
            {{u"saving"_qs, saving},
             {u"nameFilters"_qs, saving ? QStringList{u"JSON (*.json)"_qs} : QStringList{u"Copias de seguridad (*.json)"_qs}},
             {u"selectedFile"_qs, saving ? QUrl(kOffered) : QUrl()}});
        if (!picker)
            return nullptr;
        QMetaObject::invokeMethod(picker, "open");
        QObject *dialog = picker->property("dialog").value<QObject *>();
        if (!dialog || !QmlHarness::waitFor([&] { return dialog->property("visible").toBool(); }))
            return nullptr;
        const QList<QQuickPopup *> popups = qml.window()->findChildren<QQuickPopup *>();
        for (QQuickPopup *popup : popups) {
            if (popup->inherits("QQuickFileDialogImpl") && popup->isVisible())
                return popup;
        }
        return nullptr;
    }
    static QObject *pickerDialog(QmlHarness &qml) { return qml.find(u"picker"_qs)->property("dialog").value<QObject *>(); }

    // The dialog shows `folder`, its file `name` listed.
    static bool showFolder(QmlHarness &qml, QQuickPopup *drawn, const QString &folder, const QString &name)
    {
        pickerDialog(qml)->setProperty("currentFolder", QUrl::fromLocalFile(folder));
        return QmlHarness::waitFor([&] { return nameInList(drawn, name) != nullptr; });
    }

    static void modes()
    {
        QTest::addColumn<bool>("saving");
        QTest::addColumn<bool>("dark");
        QTest::newRow("save, light") << true << false;
        QTest::newRow("save, dark") << true << true;
        QTest::newRow("open, light") << false << false;
        QTest::newRow("open, dark") << false << true;
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

    void spanish_data() { modes(); }
    // Labels, buttons, sizes and dates in Spanish: Qt's catalogues lack the
    // labels, and its rows wrote the C locale's English dates.
    void spanish()
    {
        QFETCH(bool, saving);
        QFETCH(bool, dark);
        AppScheme::shared().setScheme(dark ? 2 : 1);
        QTemporaryDir dir;
        writeFile(dir.filePath(u"copia.json"_qs), 1500, QDateTime(QDate(2024, 8, 8), QTime(12, 30)));
        QmlHarness qml;
        QQuickPopup *drawn = openPicker(qml, saving);
        QVERIFY2(drawn, qPrintable(qml.errors()));
        QVERIFY(showFolder(qml, drawn, dir.path(), u"copia.json"_qs));

        const QStringList texts = textsIn(drawn->popupItem());
        QVERIFY2(!texts.contains(u"File name"_qs) && !texts.contains(u"Filter"_qs), qPrintable(texts.join(u", ")));
        QVERIFY(texts.contains(u"Filtro"_qs));
        QCOMPARE(texts.contains(u"Nombre"_qs), saving);
        QVERIFY(texts.contains(saving ? u"Guardar"_qs : u"Abrir"_qs));
        QVERIFY(texts.contains(u"Cancelar"_qs));

        const QLocale spanish(QLocale::Spanish, QLocale::Spain);
        const QStringList row = textsIn(rowInList(drawn, u"copia.json"_qs));
        QVERIFY2(row.contains(spanish.formattedDataSize(1500)), qPrintable(row.join(u", ")));
        const QStringList dates = row.filter(u"2024"_qs);
        QCOMPARE(dates.size(), 1);
        QVERIFY2(dates.first().contains(spanish.monthName(8, QLocale::ShortFormat)) && !dates.first().contains(u"Aug"_qs),
                 qPrintable(dates.first()));
    }

    void layout_data() { modes(); }
    // At the window's 430 px nothing is drawn over anything else: not a row's
    // date over its size, not the buttons over the name and the filter; the
    // filter reads whole and the name offered from its start.
    void layout()
    {
        QFETCH(bool, saving);
        QFETCH(bool, dark);
        AppScheme::shared().setScheme(dark ? 2 : 1);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"Copias antiguas"_qs));
        writeFile(dir.filePath(kOffered), 3);
        writeFile(dir.filePath(u"copia-de-seguridad-completa.json"_qs), 250000);
        QmlHarness qml;
        QCOMPARE(qml.window()->width(), 430);
        QQuickPopup *drawn = openPicker(qml, saving);
        QVERIFY2(drawn, qPrintable(qml.errors()));
        QQuickItem *popup = drawn->popupItem();

        if (saving) {
            QQuickItem *name = fieldWithText(popup, kOffered);
            QVERIFY(name);
            (void)qml.window()->grabWindow(); // laid out as drawn
            QRectF first, last;
            QMetaObject::invokeMethod(name, "positionToRectangle", Q_RETURN_ARG(QRectF, first), Q_ARG(int, 0));
            QMetaObject::invokeMethod(name, "positionToRectangle", Q_RETURN_ARG(QRectF, last), Q_ARG(int, int(kOffered.size())));
            // Both as the field's text area counts them, from its left padding.
            const qreal room = name->width() - name->property("leftPadding").toReal() - name->property("rightPadding").toReal();
            QVERIFY2(first.x() >= -0.5 && last.x() <= room + 0.5,
                     qPrintable(u"the name's letters from %1 to %2, the field's room from 0 to %3"_qs.arg(first.x()).arg(last.x()).arg(room)));
        }

        QVERIFY(showFolder(qml, drawn, dir.path(), u"copia-de-seguridad-completa.json"_qs));
        QTRY_VERIFY(nameInList(drawn, u"Copias antiguas"_qs));
        const QStringList drawnOver = overlaps(popup);
        QVERIFY2(drawnOver.isEmpty(), qPrintable(drawnOver.join(u"; ")));
        // Each row's texts within the row.
        for (const QString &file : {kOffered, u"copia-de-seguridad-completa.json"_qs, u"Copias antiguas"_qs}) {
            QQuickItem *row = rowInList(drawn, file);
            QVERIFY(row);
            const QRectF bounds = row->mapRectToScene(QRectF(0, 0, row->width(), row->height()));
            for (const DrawnText &text : textsDrawn(row))
                QVERIFY2(bounds.contains(text.rect), qPrintable(file + u": "_qs + text.text));
        }
        QQuickItem *filter = descendantOfType(popup, "QQuickComboBox");
        QVERIFY(filter);
        auto *shown = filter->property("contentItem").value<QQuickItem *>();
        QVERIFY(shown);
        const qreal room = shown->width() - shown->property("leftPadding").toReal() - shown->property("rightPadding").toReal();
        QVERIFY2(shown->property("contentWidth").toReal() <= room + 0.5,
                 qPrintable(shown->property("text").toString() + u" in "_qs + QString::number(room)));
    }

    void highlightedRow_data() { modes(); }
    // The marked row reads: its name against its ground at 4.5:1 or more
    // (white on pale blue was 1.2:1 in the light scheme).
    void highlightedRow()
    {
        QFETCH(bool, saving);
        QFETCH(bool, dark);
        AppScheme::shared().setScheme(dark ? 2 : 1);
        QTemporaryDir dir;
        writeFile(dir.filePath(u"copia.json"_qs), 10);
        writeFile(dir.filePath(u"otra.json"_qs), 10);
        QmlHarness qml;
        QQuickPopup *drawn = openPicker(qml, saving);
        QVERIFY2(drawn, qPrintable(qml.errors()));
        QVERIFY(showFolder(qml, drawn, dir.path(), u"otra.json"_qs));
        QVERIFY(qml.click(rowInList(drawn, u"otra.json"_qs)));
        QQuickItem *name = nameInList(drawn, u"otra.json"_qs);
        QQuickItem *row = rowInList(drawn, u"otra.json"_qs);
        QVERIFY(row);
        QTRY_VERIFY(row->property("highlighted").toBool());

        const QImage shot = qml.window()->grabWindow();
        const qreal ratio = qml.window()->devicePixelRatio();
        const QColor ground = shot.pixelColor((row->mapToScene(QPointF(row->width() - 3, 3)) * ratio).toPoint());
        double best = 1;
        const QRect letters = (QRectF(name->mapRectToScene(name->boundingRect()).topLeft() * ratio,
                                      name->mapRectToScene(name->boundingRect()).size() * ratio)).toRect();
        for (int y = letters.top(); y <= letters.bottom(); ++y) {
            for (int x = letters.left(); x <= letters.right(); ++x)
                best = std::max(best, contrast(shot.pixelColor(x, y), ground));
        }
        QVERIFY2(best >= 4.5, qPrintable(u"%1:1 against %2"_qs.arg(best, 0, 'f', 2).arg(ground.name())));
    }

    void keepsName_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a folder set as the one shown") << u"set"_qs;
        QTest::newRow("a folder entered by a double click") << u"double click"_qs;
        QTest::newRow("up to the folder above") << u"up"_qs;
    }
    // The name offered stays as the save dialog goes from folder to folder,
    // and names the file chosen there.
    void keepsName()
    {
        QFETCH(QString, how);
        const DoubleClickTime doubleClick(400);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_qs));
        writeFile(dir.filePath(u"sub/dentro.json"_qs), 3);
        writeFile(dir.filePath(u"fuera.json"_qs), 3);
        QmlHarness qml;
        QQuickPopup *drawn = openPicker(qml, true);
        QVERIFY2(drawn, qPrintable(qml.errors()));
        QQuickItem *popup = drawn->popupItem();
        QVERIFY(fieldWithText(popup, kOffered));
        QString folder = dir.path();
        if (how == u"set") {
            QVERIFY(showFolder(qml, drawn, folder, u"fuera.json"_qs));
        } else if (how == u"double click") {
            QVERIFY(showFolder(qml, drawn, folder, u"sub"_qs));
            QVERIFY(fieldWithText(popup, kOffered));
            QQuickItem *sub = rowInList(drawn, u"sub"_qs);
            QTest::mouseDClick(qml.window(), Qt::LeftButton, Qt::NoModifier,
                               sub->mapToScene(QPointF(sub->width() / 2, sub->height() / 2)).toPoint());
            folder = dir.filePath(u"sub"_qs);
            QTRY_VERIFY(nameInList(drawn, u"dentro.json"_qs));
        } else {
            QVERIFY(showFolder(qml, drawn, dir.filePath(u"sub"_qs), u"dentro.json"_qs));
            QQuickItem *bar = descendantOfType(popup, "QQuickFolderBreadcrumbBar");
            QVERIFY(bar);
            QVERIFY(qml.click(bar->property("upButton").value<QQuickItem *>()));
            QTRY_VERIFY(nameInList(drawn, u"fuera.json"_qs));
        }
        QCOMPARE(pickerDialog(qml)->property("currentFolder").toUrl(), QUrl::fromLocalFile(folder));
        QVERIFY2(fieldWithText(popup, kOffered), qPrintable(textsIn(popup).join(u", ")));
        // No other file marked, as if the copy went over it.
        QTRY_VERIFY(!drawn->contentItem()->property("currentItem").value<QQuickItem *>());

        QSignalSpy accepted(qml.find(u"picker"_qs), SIGNAL(accepted(QUrl)));
        doubleClick.apart();
        QVERIFY(qml.click(buttonWithText(popup, u"Guardar"_qs)));
        QTRY_COMPARE(accepted.size(), 1);
        QCOMPARE(accepted.first().first().toUrl(), QUrl::fromLocalFile(QDir(folder).filePath(kOffered)));
    }

    void acceptButton_data()
    {
        QTest::addColumn<bool>("saving");
        QTest::newRow("save: a name typed") << true;
        QTest::newRow("open: a file marked") << false;
    }
    // The accept button is live as soon as there is a choice: a name typed,
    // before Return or leaving the field; the file the list marks.
    void acceptButton()
    {
        QFETCH(bool, saving);
        QTemporaryDir dir;
        writeFile(dir.filePath(u"copia.json"_qs), 3);
        QmlHarness qml;
        QQuickPopup *drawn = openPicker(qml, saving);
        QVERIFY2(drawn, qPrintable(qml.errors()));
        QQuickItem *popup = drawn->popupItem();
        QVERIFY(showFolder(qml, drawn, dir.path(), u"copia.json"_qs));
        QQuickItem *accept = buttonWithText(popup, saving ? u"Guardar"_qs : u"Abrir"_qs);
        QVERIFY(accept);
        QSignalSpy accepted(qml.find(u"picker"_qs), SIGNAL(accepted(QUrl)));
        QUrl chosen;
        if (saving) {
            QQuickItem *name = fieldWithText(popup, QString());
            QVERIFY(qml.click(name));
            QTest::keySequence(qml.window(), QKeySequence::SelectAll);
            QTest::keyClick(qml.window(), Qt::Key_Backspace);
            QCOMPARE(name->property("text").toString(), QString());
            QTRY_VERIFY(!accept->isEnabled());
            for (char c : QByteArrayLiteral("nueva.json"))
                QTest::keyClick(qml.window(), c);
            QVERIFY(name->hasActiveFocus());
            chosen = QUrl::fromLocalFile(dir.filePath(u"nueva.json"_qs));
        } else {
            QQuickItem *list = drawn->contentItem();
            QTRY_VERIFY(list->property("currentItem").value<QQuickItem *>());
            chosen = list->property("currentItem").value<QQuickItem *>()->property("file").toUrl();
            QCOMPARE(chosen, QUrl::fromLocalFile(dir.filePath(u"copia.json"_qs)));
        }
        QTRY_VERIFY(accept->isEnabled());
        QVERIFY(qml.click(accept));
        QTRY_COMPARE(accepted.size(), 1);
        QCOMPARE(accepted.first().first().toUrl(), chosen);
    }
};

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    TestFileDialogs test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_filedialogs.moc"
