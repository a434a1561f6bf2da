// The one GoogleTest main: a QApplication offscreen in the host's locale and style, so windows
// run real events and show what users see.
#include <QApplication>
#include <QLocale>

#include <gtest/gtest.h>

#include <cstdio>

namespace
{

// Why a PostgreSQL run (VND_TEST_DB=postgresql) cannot go ahead; empty when it can, or when
// the run is on SQLite.
QString unavailable()
{
    if (qEnvironmentVariable("VND_TEST_DB") != QLatin1String("postgresql") ||
        !qEnvironmentVariable("VND_TEST_PG").isEmpty())
        return {};
    return QStringLiteral("no PostgreSQL cluster: VND_TEST_PG is not set (./test starts one "
                          "with scripts/pgcluster.sh)");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    ::testing::InitGoogleTest(&argc, argv);
    // ctest counts this exit code as skipped.
    if (const QString missing = unavailable(); !missing.isEmpty()) {
        std::fprintf(stderr, "skipped: %s\n", qPrintable(missing));
        return 77;
    }
    return RUN_ALL_TESTS();
}
