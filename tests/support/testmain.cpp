// Shared test entry point. Tests of the windowed parts need a QApplication;
// they run on the offscreen platform so no display is needed.
#include <gtest/gtest.h>

#ifdef TRICOMA_TEST_WITH_QT
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/controls.h"
#include "platform/settings.h"
#include "support/msgboxcapture.h"

namespace {

// Every test starts like the program's first start: the per-user settings
// in a folder of the test run's own, empty. What one test stores (the last
// motif folder, the print sizes) cannot steer the next one, nor does any
// test touch the settings of the person running them.
class FirstStartSettings : public ::testing::EmptyTestEventListener {
public:
    void OnTestStart(const ::testing::TestInfo&) override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.path());
        platform::UserSettings()->clear();
    }

private:
    QTemporaryDir dir_;
};

}  // namespace
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
    ::testing::UnitTest::GetInstance()->listeners().Append(new FirstStartSettings);
#endif
    return RUN_ALL_TESTS();
}
