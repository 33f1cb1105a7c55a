// The About window: product name, logo, copyright and version from the version block, and
// the build line.
#pragma once

#include "AbsFormUnit.h"
#include "VersionBlock.h"

class QLabel;
class QPushButton;

namespace qorva {

class TfmAboutQORVAENC : public TAbsForm {
  Q_OBJECT
 public:
  explicit TfmAboutQORVAENC(QWidget* AOwner = nullptr);

  // The version-block keys the show handler queries, in order.
  static const char* const InfoStr[10];
  // The company name that older copyright values carry and that is shown as kCompanyName.
  static constexpr const char* kFormerCompanyName = "Tessaly Data Systems";
  static constexpr const char* kCompanyName = "Tessaly Data Works";
  static constexpr const char* kCopyrightPrefix = "Copyright (c) ";

  QLabel* Image1;
  QLabel* Label2;
  QLabel* lblCopyright;
  QLabel* lblVersion;
  QLabel* lblAbout;
  QPushButton* BitBtn1;

  // The block the show handler reads; the program's own unless a test sets another.
  const TVersionBlock* VersionBlock = &TVersionBlock::Program();

  void FormShow(QObject* Sender);
  void BitBtn1Click(QObject* Sender);
  // Returns true when the key was used.
  bool FormKeyDown(QObject* Sender, int Key, Qt::KeyboardModifiers Shift);

 protected:
  void showEvent(QShowEvent* e) override;
};

extern TfmAboutQORVAENC* fmAboutQORVAENC;

}  // namespace qorva
