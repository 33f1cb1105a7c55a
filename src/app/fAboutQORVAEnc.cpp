#include "fAboutQORVAEnc.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <chrono>
#include <cmath>

#include "AppModules.h"
#include "FormFonts.h"
#include "FormPlacement.h"
#include "KeyPreview.h"
#include "Pictures.h"
#include "clock.h"

namespace qorva {

TfmAboutQORVAENC* fmAboutQORVAENC = nullptr;

const char* const TfmAboutQORVAENC::InfoStr[10] = {
    "CompanyName",     "FileDescription",  "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTradeMarks", "OriginalFileName", "ProductName", "ProductVersion", "Comments"};

namespace {

int CurrentYear() {
  using namespace std::chrono;
  const auto day =
      sys_days(1899y / December / 30) + days(static_cast<long>(std::floor(Clock::Now())));
  return static_cast<int>(year_month_day(day).year());
}

QLabel* AboutLabel(QWidget* parent, const char* name, int px, QPoint at, const QString& text) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(QString::fromLatin1(name));
  l->setFont(SerifFont(px));
  QPalette pal = l->palette();
  pal.setColor(QPalette::WindowText, QColor(0, 0, 160));
  l->setPalette(pal);
  l->setAttribute(Qt::WA_TranslucentBackground);
  l->move(at);
  l->adjustSize();
  return l;
}

}  // namespace

TfmAboutQORVAENC::TfmAboutQORVAENC(QWidget* AOwner) : TAbsForm(AOwner) {
  setObjectName(QStringLiteral("fmAboutQORVAENC"));
  setWindowTitle(QStringLiteral("About..."));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(501, 381);
  setWindowIcon(PictureIcon(TPicture::ProgramIcon));

  Image1 = new QLabel(this);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(24, 48, 147, 37);
  Image1->setAttribute(Qt::WA_TranslucentBackground);
  Image1->setPixmap(PicturePixmap(TPicture::Logo, Image1->size(), devicePixelRatioF()));
  Image1->setAccessibleName(QStringLiteral("QORVA logo"));

  Label2 =
      AboutLabel(this, "Label2", 24, {97, 216}, QStringLiteral("QORVA File Encryption Utility"));
  lblCopyright = AboutLabel(this, "lblCopyright", 16, {98, 242}, QStringLiteral("Copyright"));
  lblVersion = AboutLabel(this, "lblVersion", 16, {98, 281}, QStringLiteral("Version"));
  lblAbout = AboutLabel(this, "lblAbout", 16, {98, 305}, QStringLiteral("lblAbout"));

  BitBtn1 = new QPushButton(QStringLiteral("&Ok"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setGeometry(381, 336, 75, 25);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(BitBtn1); });

  InstallKeyPreview(this,
                    [this](QKeyEvent* k) { return FormKeyDown(this, k->key(), k->modifiers()); });
}

void TfmAboutQORVAENC::showEvent(QShowEvent* e) {
  if (!e->spontaneous()) FormShow(this);
  TAbsForm::showEvent(e);
}

void TfmAboutQORVAENC::FormShow(QObject*) {
  const TVersionBlock& block = VersionBlock ? *VersionBlock : TVersionBlock();
  if (block.Size() != 0) {
    for (const char* key : InfoStr) {
      std::optional<std::string> value = block.Query(std::string(kVersionTablePath) + key);
      if (!value) continue;
      const std::string k = key;
      if (k == "LegalCopyright") {
        QString text = QString::fromStdString(*value);
        text.replace(QLatin1String(kFormerCompanyName), QLatin1String(kCompanyName));
        lblCopyright->setText(text);
      } else if (k == "ProductVersion") {
        lblVersion->setText(QStringLiteral("Version ") + QString::fromStdString(*value));
      }
    }
  } else {
    lblVersion->setText(QStringLiteral("Version Info. Missing"));
    lblCopyright->setText(QLatin1String(kCopyrightPrefix) + QString::number(CurrentYear()) +
                          QLatin1Char(' ') + QLatin1String(kCompanyName));
  }
  lblAbout->setText(QStringLiteral("Build: Wednesday, November 14, 2023 Release Branch"));
  for (QLabel* l : {lblCopyright, lblVersion, lblAbout}) l->adjustSize();
  CentreOver(this, MainWindowWidget());
}

void TfmAboutQORVAENC::BitBtn1Click(QObject*) { close(); }

bool TfmAboutQORVAENC::FormKeyDown(QObject*, int Key, Qt::KeyboardModifiers) {
  return DetailFormKeyDown(this, Key, false);  // F1 does nothing here
}

}  // namespace qorva
