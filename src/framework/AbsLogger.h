// Method-trace logger of the form framework. This build's logger is inert: every call
// returns at once, records nothing, and the trace calls hand back an empty token.
#pragma once

#include <QObject>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <memory>
#include <string>

namespace qorva {

// Trace token: held by the caller for the length of the traced operation; releasing it
// stands for the operation's exit.
class ITraceMethod {
 public:
  virtual ~ITraceMethod() = default;
};
using ITraceMethodPtr = std::shared_ptr<ITraceMethod>;

class TAbsLogger : public QObject {
 public:
  explicit TAbsLogger(QObject* AOwner = nullptr);
  ~TAbsLogger() override = default;

  bool Active() const { return false; }
  void SetActive(bool) {}

  virtual void ExitMethod(const std::string& MethodName);
  virtual void ExitMethod(const std::string& Category, const std::string& MethodName);
  virtual void ExitMethod(const QObject* Obj, const std::string& MethodName);
  virtual void ExitMethod(const QObject* Obj, const std::string& MethodName,
                          const QVariant& Result);
  virtual void ExitMethodCollapse(const std::string& MethodName);
  virtual void ExitMethodCollapse(const QObject* Obj, const std::string& MethodName);
  virtual void ExitMethodCollapse(const QObject* Obj, const std::string& MethodName,
                                  const QVariant& Result);
  virtual void EnterMethod(std::int32_t Category, const QObject* Obj,
                           const std::string& MethodName);
  virtual void EnterMethod(const std::string& Category, const QObject* Obj,
                           const std::string& MethodName);
  virtual void EnterMethod(const std::string& MethodName);
  virtual void EnterMethod(const std::string& Category, const std::string& MethodName);
  virtual void EnterMethod(const QObject* Obj, const std::string& MethodName);
  virtual void EnterMethod(std::int32_t Category, const std::string& MethodName);
  virtual void ExitMethod(std::int32_t Category, const std::string& MethodName);
  virtual void SendFmtMsg(std::int32_t MsgType, const std::string& Category, const std::string& Fmt,
                          const QVariantList& Args);
  virtual ITraceMethodPtr TraceMethod(std::int32_t Category, const QObject* Obj,
                                      const std::string& MethodName);
  virtual ITraceMethodPtr TraceMethod(std::int32_t Category, const std::string& MethodName);
  virtual ITraceMethodPtr TraceMethod(std::int32_t Category);
  virtual void SendFmtMsg(const std::string& Category, const std::string& Fmt,
                          const QVariantList& Args);

 private:
  // Kept for the logger's shape; nothing reads them while it is inert.
  bool FActive = false;
  bool FlyTraceMethod = false;
  bool FOverrideOn = false;
  std::string fPrevLastEnterMethod[10];
  std::string fLastEnterMethod;
};

// The process-wide logger: created when the program's modules initialise (static
// initialisation of this library) and freed when they finalise.
extern TAbsLogger* AbsLog;

// Trace scopes of the framework's own operations. They tolerate a missing AbsLog so that
// code running during static initialisation or after shut-down stays safe.
inline ITraceMethodPtr AbsTrace(std::int32_t Category, const QObject* Obj,
                                const std::string& MethodName) {
  return AbsLog ? AbsLog->TraceMethod(Category, Obj, MethodName) : nullptr;
}
inline ITraceMethodPtr AbsTrace(std::int32_t Category, const std::string& MethodName) {
  return AbsLog ? AbsLog->TraceMethod(Category, MethodName) : nullptr;
}
inline ITraceMethodPtr AbsTrace(std::int32_t Category) {
  return AbsLog ? AbsLog->TraceMethod(Category) : nullptr;
}

// Trace categories used by the framework.
constexpr std::int32_t kTraceForm = 14;
constexpr std::int32_t kTraceFramework = 100;

}  // namespace qorva
