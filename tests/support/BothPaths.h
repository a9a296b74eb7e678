#pragma once

#include "database/core/VectorPaths.h"

#include <QTest>

namespace velkaro::testing {

// Runs every case of `Test` twice: on the vector paths this processor offers, then on the plain paths beside
// them, which only processors without those instructions would take otherwise. For a test's main().
template <typename Test> int runOnBothPaths(int argc, char *argv[])
{
    Test test;
    database::allowVectorPaths(true);
    const int vectorFailures = QTest::qExec(&test, argc, argv);
    qInfo("The same cases on the plain paths:");
    database::allowVectorPaths(false);
    const int plainFailures = QTest::qExec(&test, argc, argv);
    database::allowVectorPaths(true);
    return vectorFailures + plainFailures;
}

} // namespace velkaro::testing
