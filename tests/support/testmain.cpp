// Shared test entry point. Tests of the windowed parts need a QApplication;
// they run on the offscreen platform so no display is needed.
#include <gtest/gtest.h>

#ifdef TRICOMA_TEST_WITH_QT
#include <QApplication>
#include <cstdlib>

#include "platform/controls.h"
#include "support/msgboxcapture.h"
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef TRICOMA_TEST_WITH_QT
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tricoma");
    QApplication::setOrganizationName("Tricoma");
    QLocale::setDefault(platform::uiLocale());  // as the program sets it
    testsupport::installQuietMessageBoxes();
#endif
    return RUN_ALL_TESTS();
}
