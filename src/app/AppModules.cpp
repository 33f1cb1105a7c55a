#include "AppModules.h"

#include "dEncryptor.h"
#include "fEncryptMain.h"

namespace qorva {

const TdmEncryptor* DataModule() { return dmEncryptor; }

TDataSource* ReportsSource() { return dmEncryptor ? &dmEncryptor->dsReports : nullptr; }
TDataSource* ScoreSource() { return dmEncryptor ? &dmEncryptor->dsReportScore : nullptr; }

QWidget* MainWindowWidget() { return fmEncryptMain; }

}  // namespace qorva
