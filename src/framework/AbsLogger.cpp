#include "AbsLogger.h"

namespace qorva {

TAbsLogger* AbsLog = nullptr;

TAbsLogger::TAbsLogger(QObject* AOwner) : QObject(AOwner) {
  FOverrideOn = false;
  FlyTraceMethod = false;
}

void TAbsLogger::ExitMethod(const std::string&) {}
void TAbsLogger::ExitMethod(const std::string&, const std::string&) {}
void TAbsLogger::ExitMethod(const QObject*, const std::string&) {}
void TAbsLogger::ExitMethod(const QObject*, const std::string&, const QVariant&) {}
void TAbsLogger::ExitMethodCollapse(const std::string&) {}
void TAbsLogger::ExitMethodCollapse(const QObject*, const std::string&) {}
void TAbsLogger::ExitMethodCollapse(const QObject*, const std::string&, const QVariant&) {}
void TAbsLogger::EnterMethod(std::int32_t, const QObject*, const std::string&) {}
void TAbsLogger::EnterMethod(const std::string&, const QObject*, const std::string&) {}
void TAbsLogger::EnterMethod(const std::string&) {}
void TAbsLogger::EnterMethod(const std::string&, const std::string&) {}
void TAbsLogger::EnterMethod(const QObject*, const std::string&) {}
void TAbsLogger::EnterMethod(std::int32_t, const std::string&) {}
void TAbsLogger::ExitMethod(std::int32_t, const std::string&) {}
void TAbsLogger::SendFmtMsg(std::int32_t, const std::string&, const std::string&,
                            const QVariantList&) {}
ITraceMethodPtr TAbsLogger::TraceMethod(std::int32_t, const QObject*, const std::string&) {
  return nullptr;
}
ITraceMethodPtr TAbsLogger::TraceMethod(std::int32_t, const std::string&) { return nullptr; }
ITraceMethodPtr TAbsLogger::TraceMethod(std::int32_t) { return nullptr; }
void TAbsLogger::SendFmtMsg(const std::string&, const std::string&, const QVariantList&) {}

namespace {

// Module initialisation and finalisation of the logger. A QObject with no owner may be
// created before the application object exists.
struct LoggerModule {
  LoggerModule() { AbsLog = new TAbsLogger(nullptr); }
  ~LoggerModule() {
    delete AbsLog;
    AbsLog = nullptr;
  }
};
LoggerModule g_logger_module;

}  // namespace

}  // namespace qorva
