#include "uVRXSettings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

namespace qorva {
namespace {

// Points the user's native settings at a temporary folder, so nothing here touches the
// real user's settings.
class SettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    FinalizeVRXSettings();
  }
  void TearDown() override { FinalizeVRXSettings(); }
  QTemporaryDir dir;
};

TEST_F(SettingsStoreTest, ClearRemovesInBasketDefaultsWithEverythingBeneath) {
  {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "TORMAL");
    s.setValue("InBasketDefaults/Folder", "in");
    s.setValue("InBasketDefaults/Sub/Deep/Value", 3);
    s.setValue("InBasketDefaults2/Keep", "sibling");
    s.setValue("Other/Keep", "sibling");
    s.setValue("InBasketDefaults", "a value beside the key");
  }
  InitVRXSettings();
  VRXSetting()->ClearinBasketDefaults();
  EXPECT_EQ(VRXSetting()->Key(), "\\Software\\TORMAL\\InBasketDefaults");

  QSettings s(QSettings::NativeFormat, QSettings::UserScope, "TORMAL");
  EXPECT_EQ(s.allKeys(), (QStringList{"InBasketDefaults", "InBasketDefaults2/Keep", "Other/Keep"}));
  EXPECT_EQ(s.value("InBasketDefaults").toString(), "a value beside the key");
}

TEST_F(SettingsStoreTest, ClearWithoutTheKeyChangesNothing) {
  const QString file =
      QSettings(QSettings::NativeFormat, QSettings::UserScope, "TORMAL").fileName();
  InitVRXSettings();
  VRXSetting()->ClearinBasketDefaults();
  EXPECT_FALSE(QFile::exists(file));

  {
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, "TORMAL");
    s.setValue("Other/Keep", "sibling");
    s.setValue("InBasketDefaults", "a value, not a key");
  }
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray before = f.readAll();
  f.close();
  VRXSetting()->ClearinBasketDefaults();
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
}

TEST_F(SettingsStoreTest, InstanceAfterShutDownIsANewOne) {
  TVRXSetting* first = VRXSetting();
  EXPECT_EQ(VRXSetting(), first);
  FinalizeVRXSettings();
  TVRXSetting* second = VRXSetting();
  ASSERT_NE(second, nullptr);
  second->ClearinBasketDefaults();  // usable, not freed
}

}  // namespace
}  // namespace qorva
