#include "testdatabase.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    // ctest counts this exit code as skipped.
    const QString missing = vnd::server::test::TestDatabase::unavailable();
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "skipped: %s\n", qPrintable(missing));
        return 77;
    }
    return RUN_ALL_TESTS();
}
