// Per-user settings object, kept in the platform's native settings store (the registry
// under the current user on Windows, the user's configuration folder elsewhere).
#pragma once

#include <QSettings>
#include <QString>
#include <memory>

namespace qorva {

class TVRXSetting {
 public:
  TVRXSetting();   // Create
  ~TVRXSetting();  // Destroy
  TVRXSetting(const TVRXSetting&) = delete;
  TVRXSetting& operator=(const TVRXSetting&) = delete;

  // Removes the stored in-basket defaults, "\Software\TORMAL\InBasketDefaults" under the
  // current user, with everything beneath it; its siblings stay. A missing key is left
  // missing and nothing is reported.
  void ClearinBasketDefaults();

  const QString& Key() const { return vKey; }

 private:
  std::unique_ptr<QSettings> FIniFile;   // never opened here; freed if present
  std::unique_ptr<QSettings> FRegistry;  // the current user's "\Software\TORMAL"
  QString vKey;
};

// The single instance, created on first use when start-up has not created it yet.
TVRXSetting* VRXSetting();

// Start-up calls InitVRXSettings() once the application object exists (the store's
// location is fixed when the first settings object is made) and FinalizeVRXSettings() at
// shut-down.
void InitVRXSettings();
void FinalizeVRXSettings();

}  // namespace qorva
