// The desktop program's main block.
#include <QApplication>
#include <QList>
#include <QPointer>
#include <exception>
#include <memory>

#include "AbsLogger.h"
#include "AppStartup.h"
#include "DataSet.h"
#include "Pictures.h"
#include "QtMessageHelper.h"
#include "dEncryptor.h"
#include "fEncryptMain.h"
#include "uTztStringField.h"
#include "uVRXSettings.h"

using namespace qorva;

int main(int argc, char** argv) {
  TQorvaApplication app(argc, argv);
  // Module initialisation, in order: the trace logger (made with its library), the settings
  // store, and trimmed string fields as the data layer's default.
  (void)AbsLog;
  InitVRXSettings();
  for (TFieldType type : {TFieldType::ftString, TFieldType::ftFixedChar})
    SetDefaultFieldClass(type, [](int size) { return std::make_unique<TztStringField>(size); });

  ConfigureCrashReporter(app.CrashReporter().settings);
  // No help file is attached to the application as a whole: help opens only through the
  // main window's help command.

  // The application's title. As the application name it captions the plain message boxes
  // and the desktop's entry, without being appended to every window caption as a display
  // name would be.
  QCoreApplication::setApplicationName(kApplicationTitle);
  QApplication::setWindowIcon(PictureIcon(TPicture::ProgramIcon));

  QtMessageHelper messages;
  SetMessages(&messages);
  int result = 1;
  try {
    auto data_module = std::make_unique<TdmEncryptor>();
    dmEncryptor = data_module.get();
    auto main_window = std::make_unique<TfmEncryptMain>();
    fmEncryptMain = main_window.get();
    messages.SetMainWindow(fmEncryptMain);
    main_window->show();
    result = app.exec();
    // Windows still open (the help window) go before the data module they may show.
    main_window.reset();
    QList<QPointer<QWidget>> left;
    for (QWidget* w : QApplication::topLevelWidgets()) left.append(w);
    for (const QPointer<QWidget>& w : left) delete w.data();
    dmEncryptor = nullptr;
  } catch (const std::exception& e) {
    app.CrashReporter().Report(e.what());
  }
  SetMessages(nullptr);
  FinalizeVRXSettings();
  return result;
}
