// The program's single data module and main window, as the detail windows reach them.
#pragma once

class QWidget;

namespace qorva {

class TDataSource;
class TdmEncryptor;

// The data module; nullptr while there is none.
const TdmEncryptor* DataModule();

// The data module's report and score sources; nullptr while there is no data module.
TDataSource* ReportsSource();
TDataSource* ScoreSource();

// The main window, or nullptr before start-up has made it (as in most tests).
QWidget* MainWindowWidget();

}  // namespace qorva
