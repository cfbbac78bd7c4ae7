#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "console/Velkaro.h"

// The application object of the test program, in place of the executable's.
CVelkaroApp theApp;

namespace {

// The Qt application exists only while tests run, not while they are merely listed.
class QtApplicationEnvironment : public testing::Environment {
  public:
    void SetUp() override {
        m_application = std::make_unique<QApplication>(m_argc, m_argv);
        // The tests stand in for the Velkaro executable, whose name captions the boxes.
        QApplication::setApplicationName(QStringLiteral("Velkaro"));
    }
    void TearDown() override { m_application.reset(); }

  private:
    char m_name[8] = "Velkaro";
    char* m_argv[2] = {m_name, nullptr};
    int m_argc = 1;
    std::unique_ptr<QApplication> m_application;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);
    return RUN_ALL_TESTS();
}
