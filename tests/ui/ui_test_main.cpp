#include "FakeSources.h"
#include "RunAllTests.h"
#include "WavelarkFirstRun.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    // Test discovery runs this binary without the test environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("WAVELARK_AUDIO", "null", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    // Windows never depend on this machine's network or session.
    setPlatformSourcesMaker(makeFakeSources);
    setFirstRunAsksDirectory(false);
    return runAllTests();
}
