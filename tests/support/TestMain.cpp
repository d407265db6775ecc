// Test entry point: every test program runs with a Qt application object, on
// the offscreen platform unless the caller chose another one, so no test ever
// needs a display or waits for a person.
#include <gtest/gtest.h>

#include <cstdlib>

#ifdef PLENOPTRA_TEST_GUI_ONLY
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
