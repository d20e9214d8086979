// The display texts' parsers and the version compare: dates read as a day or
// not at all, numbers of any size format, and version order is an order.
#include "Fmt.h"
#include "FuzzSupport.h"
#include "SettingsModel.h"
#include <QDate>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    Fuzz::setUp(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto [a, b] = Fuzz::twoTexts(data, size);
    const QByteArray shown = a.toUtf8();

    const QDate day = Fmt::isoDay(a);
    if (day.isValid()) {
        FUZZ_CHECK(Fmt::isoDay(day.toString(Qt::ISODate)) == day, shown);
        FUZZ_CHECK(!Fmt::longDate(a).isEmpty(), shown);
    } else {
        FUZZ_CHECK(Fmt::longDate(a) == a, shown);
        FUZZ_CHECK(Fmt::ago(a).isEmpty(), shown);
    }
    (void)Fmt::ago(a);

    if (size >= sizeof(qint64)) {
        qint64 n;
        double x;
        std::memcpy(&n, data, sizeof n);
        std::memcpy(&x, data, sizeof x);
        FUZZ_CHECK(!Fmt::compact(n).isEmpty(), shown);
        FUZZ_CHECK(!Fmt::clock(x).isEmpty(), shown);
    }

    const int ab = SettingsModel::compareVersions(a, b);
    FUZZ_CHECK(ab == -SettingsModel::compareVersions(b, a), shown + " / " + b.toUtf8());
    FUZZ_CHECK(SettingsModel::compareVersions(a, a) == 0, shown);
    FUZZ_CHECK(!SettingsModel::isUpdate(a, a), shown);
    return 0;
}
