#include "uVRXSettings.h"

namespace qorva {
namespace {

TVRXSetting* FVRXSetting = nullptr;

const char* const kVendorKey = "\\Software\\TORMAL";
const char* const kInBasketDefaults = "InBasketDefaults";

std::unique_ptr<QSettings> OpenVendorKey() {
#ifdef Q_OS_WIN
  return std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\TORMAL"),
                                     QSettings::NativeFormat);
#else
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     QStringLiteral("TORMAL"));
#endif
}

}  // namespace

TVRXSetting::TVRXSetting() : FRegistry(OpenVendorKey()) {}

TVRXSetting::~TVRXSetting() {
  FIniFile.reset();
  FRegistry.reset();
}

void TVRXSetting::ClearinBasketDefaults() {
  vKey = QString::fromLatin1(kVendorKey) + '\\' + QString::fromLatin1(kInBasketDefaults);
  QSettings& reg = *VRXSetting()->FRegistry;
  reg.sync();  // see what other processes wrote meanwhile
  if (reg.childGroups().contains(QString::fromLatin1(kInBasketDefaults))) {
    reg.remove(QString::fromLatin1(kInBasketDefaults));
    reg.sync();
  }
}

TVRXSetting* VRXSetting() {
  if (!FVRXSetting) FVRXSetting = new TVRXSetting;
  return FVRXSetting;
}

void InitVRXSettings() { VRXSetting(); }

void FinalizeVRXSettings() {
  delete FVRXSetting;
  // Cleared so that a late VRXSetting() makes a new object instead of using a freed one.
  FVRXSetting = nullptr;
}

}  // namespace qorva
