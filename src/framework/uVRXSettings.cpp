#include "uVRXSettings.h"

#include "platform.h"

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
#ifdef Q_OS_WIN
  // Qt's registry back end opens keys for writing (making "\Software\TORMAL" when it is
  // missing) and removes a same-named value along with a key; the platform layer does
  // neither.
  platform::RemoveUserRegistryTree(vKey.mid(1).toStdString());
#else
  QSettings& reg = *VRXSetting()->FRegistry;
  reg.sync();  // see what other processes wrote meanwhile
  // Only what lies beneath the key goes, one entry at a time: remove() of the key's own name
  // would take a value of that name held directly under "\Software\TORMAL" with it.
  reg.beginGroup(QString::fromLatin1(kInBasketDefaults));
  const QStringList beneath = reg.allKeys();
  for (const QString& k : beneath) reg.remove(k);
  reg.endGroup();
  if (!beneath.isEmpty()) reg.sync();
#endif
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
