#include "AppIcons.h"
#include "Defaults.h"
#include "Haptics.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

namespace {

QTemporaryDir *folders = nullptr;

QString userEntry() { return folders->filePath(u"home/applications/nimbelora.desktop"_qs); }

QString read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// Asks for `alt` and waits for the answer.
bool choose(const QString &alt)
{
    QSignalSpy spy(&AppIcons::shared(), &AppIcons::finished);
    AppIcons::shared().choose(alt);
    if (!TestTime::wait(spy, 5000))
        return false;
    return spy.first().at(1).toBool();
}

} // namespace

class TestAppIcons : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Defaults::useMemory();
        QDir().mkpath(folders->filePath(u"sys/applications"_qs));
        QFile entry(folders->filePath(u"sys/applications/nimbelora.desktop"_qs));
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write("[Desktop Entry]\nType=Application\nName=Nimbelora\nIcon=nimbelora\nExec=nimbelora %u\n");
    }

    // Choice after choice, the open window shows the picture of the last
    // one made, and so does a window opened afterwards.
    void windowIconFollowsEachChoice()
    {
        Haptics::shared().setEnabled(false);
        QWindow window;
        window.resize(100, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        AppIcons::shared().applyStored();
        const auto picture = [](const QIcon &icon) { return icon.pixmap(QSize(48, 48)).toImage(); };
        for (const QString &alt : {u"AppIcon-ocean"_qs, u"AppIcon-mint"_qs, QString(), u"AppIcon-gold"_qs}) {
            QVERIFY(choose(alt));
            const QImage wanted = picture(QIcon(AppIcons::source(*AppIcons::find(alt))));
            QVERIFY2(picture(window.icon()) == wanted, qPrintable(alt));
            QVERIFY2(picture(QGuiApplication::windowIcon()) == wanted, qPrintable(alt));
            QWindow later;
            QVERIFY2(picture(later.icon()) == wanted, qPrintable(alt));
        }
    }
    void cleanup() { Defaults::shared().remove(u"appIcon"_qs); }

    void choosing()
    {
        Haptics::shared().setEnabled(true);
        Haptics::shared().clear();
        QCOMPARE(AppIcons::shared().current(), QString());
        QVERIFY(choose(u"AppIcon-night"_qs));
        QCOMPARE(AppIcons::shared().current(), u"AppIcon-night"_qs);
        QVERIFY(read(userEntry()).contains(u"\nIcon=nimbelora-night\nExec"_qs));
        QCOMPARE(Haptics::shared().given(), QStringList{u"success"_qs});

        // Unknown names and a folder that cannot be written change nothing,
        // yet the haptic comes first whatever follows.
        Haptics::shared().setEnabled(false);
        QVERIFY(!choose(u"AppIcon-purple"_qs));
        QFile::setPermissions(folders->filePath(u"home/applications"_qs), QFile::ReadOwner | QFile::ExeOwner);
        if (QFile(userEntry()).open(QIODevice::Append))
            QSKIP("running as root: every folder is writable");
        Haptics::shared().setEnabled(true);
        QVERIFY(!choose(QString()));
        QCOMPARE(AppIcons::shared().current(), u"AppIcon-night"_qs);
        QVERIFY(read(userEntry()).contains(u"Icon=nimbelora-night"_qs));
        QCOMPARE(Haptics::shared().given(), (QStringList{u"success"_qs, u"success"_qs}));
    }
};

int main(int argc, char *argv[])
{
    QTemporaryDir dir;
    folders = &dir;
    qputenv("XDG_DATA_HOME", dir.filePath(u"home"_qs).toLocal8Bit());
    qputenv("XDG_DATA_DIRS", dir.filePath(u"sys"_qs).toLocal8Bit());
    QGuiApplication app(argc, argv);
    TestAppIcons test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_appicons.moc"
