// The settings file: whatever the INI file holds, every preference reads as
// its own type, and a value that cannot be read as that type is its default.
#include "Defaults.h"
#include "FuzzSupport.h"
#include "Pref.h"
#include <QDir>
#include <QStandardPaths>
#include <cmath>

namespace {
QString iniPath() { return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/fuzz.ini"); }
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    Pref::registerDefaults();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = Fuzz::bytes(data, size);
    FUZZ_CHECK(Fuzz::writeFile(iniPath(), input), {});
    Defaults::useFile(iniPath());
    Defaults &d = Defaults::shared();
    for (const Pref::Entry &e : Pref::table()) {
        const QString key = e.key;
        const QVariant v = d.value(key);
        switch (e.value.typeId()) {
        case QMetaType::Bool:
            (void)d.boolValue(key);
            break;
        case QMetaType::LongLong: {
            const qint64 n = d.intValue(key);
            if (!Defaults::toInt(v))
                FUZZ_CHECK(n == e.value.toLongLong(), input + " " + key.toUtf8());
            break;
        }
        case QMetaType::Double: {
            const double x = d.doubleValue(key);
            if (!Defaults::toDouble(v))
                FUZZ_CHECK(x == e.value.toDouble(), input + " " + key.toUtf8());
            break;
        }
        default:
            (void)d.stringValue(key);
            break;
        }
        (void)d.contains(key);
    }
    Defaults::useMemory();
    return 0;
}
