#include "AddToPlaylistModel.h"
#include "AppFixture.h"
#include "Defaults.h"
#include "Haptics.h"
#include "LibraryStore.h"
#include "Pref.h"
#include "QmlHarness.h"
#include "SampleVideos.h"
#include "TestDirs.h"
#include "WebSignIn.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <memory>

namespace {

Video video(const QString &id) { return sampleVideo(id, 300); }

QStringList ids(const UserPlaylist &p)
{
    QStringList out;
    for (const Video &v : p.videos)
        out.append(v.id);
    return out;
}

const UserPlaylist *find(const LibraryStore &library, const QString &name)
{
    for (const UserPlaylist &p : library.playlists())
        if (p.name == name)
            return &p;
    return nullptr;
}

} // namespace

class TestAddToPlaylist : public QObject
{
    Q_OBJECT

    std::unique_ptr<LibraryStore> m_library;

    void setHaptics(bool on) { Defaults::shared().setValue(QString(Pref::haptics), on); }

private slots:
    void initTestCase()
    {
        AppFixture::prepare();
    }

    void init()
    {
        TestDirs::isolate();
        Defaults::useMemory();
        Haptics::shared().clear();
        m_library = std::make_unique<LibraryStore>();
    }

    void cleanup()
    {
        LibraryStore::waitForWrites();
        m_library.reset();
    }

    void trimmedName_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << u"Mía"_qs << u"Mía"_qs;
        QTest::newRow("spaces and tabs around") << u" \t Para luego \t"_qs << u"Para luego"_qs;
        QTest::newRow("inner spaces stay") << u"  a  b  "_qs << u"a  b"_qs;
        QTest::newRow("no-break and ideographic spaces") << u"\u00a0x\u3000"_qs << u"x"_qs;
        QTest::newRow("only spaces") << u"   \t"_qs << QString();
        QTest::newRow("newlines are not blanks") << u"\nx\n"_qs << u"\nx\n"_qs;
        QTest::newRow("empty") << QString() << QString();
    }

    void trimmedName()
    {
        QFETCH(QString, text);
        QFETCH(QString, name);
        QCOMPARE(AddToPlaylistModel::trimmedName(text), name);
        QCOMPARE(AddToPlaylistModel::canCreate(text), !name.isEmpty());
    }

    void createAndToggle_data()
    {
        QTest::addColumn<bool>("haptics");
        QTest::newRow("haptics on") << true;
        QTest::newRow("haptics off") << false;
    }

    void createAndToggle()
    {
        QFETCH(bool, haptics);
        setHaptics(haptics);
        const QString other = m_library->createPlaylist(u"Otra"_qs, std::optional<Video>(video(u"x"_qs)));
        m_library->add(video(u"v"_qs), other);
        m_library->add(video(u"y"_qs), other);

        AddToPlaylistModel model;
        model.setLibrary(m_library.get());
        model.setVideo(video(u"v"_qs));
        QCOMPARE(model.count(), 1);
        QCOMPARE(model.data(model.index(0), AddToPlaylistModel::MemberRole).toBool(), true);
        QCOMPARE(model.data(model.index(0), AddToPlaylistModel::CountTextRole).toString(), u"3 vídeos"_qs);

        // A blank name does nothing at all.
        QVERIFY(!model.create(u" \t "_qs));
        QCOMPARE(m_library->playlists().size(), 1);
        QCOMPARE(Haptics::shared().given(), QStringList());

        // A new list holding the video, listed first.
        QVERIFY(model.create(u"  Nueva  "_qs));
        QCOMPARE(model.count(), 2);
        QCOMPARE(model.data(model.index(0), AddToPlaylistModel::NameRole).toString(), u"Nueva"_qs);
        QCOMPARE(model.data(model.index(0), AddToPlaylistModel::MemberRole).toBool(), true);
        QCOMPARE(model.data(model.index(0), AddToPlaylistModel::CountTextRole).toString(), u"1 vídeos"_qs);
        QCOMPARE(ids(*find(*m_library, u"Nueva"_qs)), QStringList{u"v"_qs});

        // Out of the middle, then back in at the end; only that row changes.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        model.toggle(other);
        QCOMPARE(ids(*find(*m_library, u"Otra"_qs)), (QStringList{u"x"_qs, u"y"_qs}));
        QCOMPARE(model.data(model.index(1), AddToPlaylistModel::MemberRole).toBool(), false);
        QCOMPARE(model.data(model.index(1), AddToPlaylistModel::CountTextRole).toString(), u"2 vídeos"_qs);
        model.toggle(other);
        QCOMPARE(ids(*find(*m_library, u"Otra"_qs)), (QStringList{u"x"_qs, u"y"_qs, u"v"_qs}));
        QCOMPARE(reset.count(), 0);
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 1);
        QCOMPARE(ids(*find(*m_library, u"Nueva"_qs)), QStringList{u"v"_qs});

        // A list gone meanwhile: nothing happens.
        model.toggle(u"GONE"_qs);
        QCOMPARE(m_library->playlists().size(), 2);

        const QStringList expected = haptics ? QStringList{u"success"_qs, u"success"_qs, u"success"_qs, u"success"_qs}
                                             : QStringList{};
        QCOMPARE(Haptics::shared().given(), expected);
    }

    void sheet()
    {
        setHaptics(true);
        QmlHarness qml;
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Library
            import Nimbelora.Screens
            Item {
                id: root
                property LibraryStore library
                property var video
                property alias sheet: sheet
                AddToPlaylistSheet { id: sheet; library: root.library; video: root.video }
            })",
                                          {{u"library"_qs, QVariant::fromValue(m_library.get())},
                                           {u"video"_qs, QVariant::fromValue(video(u"v"_qs))}});
        QVERIFY2(root, qPrintable(qml.errors()));
        QObject *sheet = root->property("sheet").value<QObject *>();
        QSignalSpy opened(sheet, SIGNAL(opened()));
        QMetaObject::invokeMethod(sheet, "open");
        QVERIFY(TestTime::wait(opened, 3000));
        QCOMPARE(sheet->property("title").toString(), u"Guardar en lista"_qs);
        QCOMPARE(sheet->property("detents").toStringList(), (QStringList{u"medium"_qs, u"large"_qs}));
        QQuickItem *content = qml.window()->contentItem();

        // No lists yet: only the new-list row.
        auto *header = QmlHarness::findIn(content, u"yourListsHeader"_qs);
        QVERIFY(header);
        QVERIFY(!header->isVisible());
        auto *field = QmlHarness::findIn(content, u"newListField"_qs);
        auto *create = QmlHarness::findIn(content, u"createButton"_qs);
        QVERIFY(field && create);
        QVERIFY(!create->isEnabled());
        field->setProperty("text", u"   "_qs);
        QVERIFY(!create->isEnabled());

        field->setProperty("text", u"  Mis favoritos "_qs);
        QVERIFY(create->isEnabled());
        QVERIFY(qml.click(create));
        QCOMPARE(m_library->playlists().size(), 1);
        QCOMPARE(m_library->playlists().first().name, u"Mis favoritos"_qs);
        QCOMPARE(field->property("text").toString(), QString());
        QVERIFY(!create->isEnabled());
        QVERIFY(!field->hasActiveFocus());
        QTRY_VERIFY(header->isVisible());

        auto *row = QmlHarness::findIn(content, u"playlistRow0"_qs);
        QVERIFY(row);
        QTRY_COMPARE(row->width(), qml.window()->width() - 32);
        auto *mark = QmlHarness::findIn(row, u"playlistMark"_qs);
        QCOMPARE(mark->property("name").toString(), u"checkmark.circle.fill"_qs);
        QCOMPARE(QmlHarness::findIn(row, u"playlistCount"_qs)->property("text").toString(), u"1 vídeos"_qs);

        // A tap takes it out, a second one puts it back.
        QVERIFY(qml.click(row));

        QTRY_COMPARE(mark->property("name").toString(), u"circle"_qs);
        QVERIFY(m_library->playlists().first().videos.isEmpty());
        QCOMPARE(QmlHarness::findIn(row, u"playlistCount"_qs)->property("text").toString(), u"0 vídeos"_qs);
        QVERIFY(qml.click(row));
        QTRY_COMPARE(mark->property("name").toString(), u"checkmark.circle.fill"_qs);

        // The return key creates too; on a blank field it does nothing.
        field->forceActiveFocus();
        QTest::keyClick(qml.window(), Qt::Key_Return);
        QCOMPARE(m_library->playlists().size(), 1);
        field->setProperty("text", u"Otra"_qs);
        field->forceActiveFocus();
        QTest::keyClick(qml.window(), Qt::Key_Return);
        QCOMPARE(m_library->playlists().size(), 2);
        QCOMPARE(m_library->playlists().first().name, u"Otra"_qs);
        QCOMPARE(Haptics::shared().given().size(), 4); // two creates, two toggles

        QSignalSpy closed(sheet, SIGNAL(closed()));
        QVERIFY(qml.click(QmlHarness::findIn(content, u"addToPlaylistDone"_qs)));
        QVERIFY(TestTime::wait(closed, 3000));
    }

    void iconTileIsAlways30()
    {
        QmlHarness qml;
        QQuickItem *root = qml.loadSource(R"(
            import QtQuick
            import Nimbelora.Foundation
            Row {
                IconTile { symbol: "music.note.list"; color: "deeppink" }
                IconTile { symbol: "clock.arrow.circlepath"; color: "blue" }
                IconTile { symbol: ""; color: "green" }
            })");
        QVERIFY2(root, qPrintable(qml.errors()));
        QCOMPARE(root->childItems().size(), 3);
        for (QQuickItem *tile : root->childItems()) {
            QCOMPARE(tile->width(), 30.0);
            QCOMPARE(tile->height(), 30.0);
            QCOMPARE(QmlHarness::findIn(tile, u"iconTileSymbol"_qs)->property("color").value<QColor>(), QColor(Qt::white));
        }
    }
};

int main(int argc, char *argv[])
{
    WebSignIn::prepareApplication();
    QGuiApplication app(argc, argv);
    TestAddToPlaylist test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_addtoplaylist.moc"
