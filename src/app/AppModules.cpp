#include "AppModules.h"

#include "dEncryptor.h"
#include "fEncryptMain.h"

namespace qorva {

TDataSource* ReportsSource() { return dmEncryptor ? &dmEncryptor->dsReports : nullptr; }
TDataSource* ScoreSource() { return dmEncryptor ? &dmEncryptor->dsReportScore : nullptr; }

QWidget* MainWindowWidget() { return fmEncryptMain; }

}  // namespace qorva
