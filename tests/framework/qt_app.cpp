// One QApplication for the whole test binary, on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

namespace {

class QtAppEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "framework_tests";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
  }
  void TearDown() override {
    delete app_;
    app_ = nullptr;
  }

 private:
  QApplication* app_ = nullptr;
};

const auto* const kEnv = testing::AddGlobalTestEnvironment(new QtAppEnvironment);

}  // namespace
