// The base window of every window of the program, with its context menu, default
// placement, colour and font, and the helper that ties a hosted window to its manager.
#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

class QAction;
class QMenu;

namespace qorva {

class TAbsFormManager;

// Modal results (QDialog::result()).
constexpr int mrNone = 0;
constexpr int mrOk = 1;
constexpr int mrCancel = 2;

// What a close handler may do with a closing window.
enum class TCloseAction { caNone, caHide, caFree, caMinimize };

using TFormHelperBroadcastEvent =
    std::function<void(QObject* Sender, QWidget* AForm, std::int32_t AFormType, std::int32_t AMsg,
                       std::int32_t AData)>;

// Finds the window it belongs to and, for a window hosted on a form-manager page, the
// page's form type and manager. Holds plain references; owns nothing.
class TAbsFormHelper : public QObject {
 public:
  explicit TAbsFormHelper(QObject* AOwner);

  // Load step: run once the owning window is built.
  virtual void Loaded();
  virtual void HandleBroadcast(QWidget* AForm, std::int32_t AFormType, std::int32_t AMsg,
                               std::int32_t AData);

  QWidget* Form() const { return FForm; }
  void SetForm(QWidget* f) { FForm = f; }
  TAbsFormManager* FormManager() const { return FFormManager; }
  void SetFormManager(TAbsFormManager* m) { FFormManager = m; }
  TAbsFormManager* ParentFormManager() const { return FParentFormManager; }
  void SetParentFormManager(TAbsFormManager* m) { FParentFormManager = m; }
  std::int32_t FormType() const { return FFormType; }
  void SetFormType(std::int32_t t) { FFormType = t; }
  std::int32_t DataID() const { return FDataID; }
  void SetDataID(std::int32_t id) { FDataID = id; }
  const QString& FormStr() const { return FFormStr; }
  void SetFormStr(const QString& s) { FFormStr = s; }
  const TFormHelperBroadcastEvent& OnBroadcast() const { return FOnBroadcast; }
  void SetOnBroadcast(TFormHelperBroadcastEvent e) { FOnBroadcast = std::move(e); }

 private:
  QPointer<QWidget> FForm;
  std::int32_t FFormType = 0;
  std::int32_t FDataID = 0;
  QString FFormStr;
  TAbsFormManager* FFormManager = nullptr;
  TAbsFormManager* FParentFormManager = nullptr;
  TFormHelperBroadcastEvent FOnBroadcast;
};

// A top-level window: shown free-standing with show(), modally over an owner with exec(),
// or hosted as a page of a TAbsFormManager. A modal run ends with the modal result;
// closing a modal window without one gives mrCancel.
class TAbsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAbsForm(QWidget* AOwner = nullptr);
  ~TAbsForm() override;

  QMenu* FormMenuPopup = nullptr;
  QAction* PrintForm1 = nullptr;    // "Print Active Form"
  QAction* Close1 = nullptr;        // "Close Active"
  QAction* DisplayName1 = nullptr;  // "Display Name"
  TAbsFormHelper* AbsFormHelper1 = nullptr;

  // Menu handlers.
  virtual void PrintForm1Click(QObject* Sender);
  virtual void Close1Click(QObject* Sender);
  virtual void DisplayName1Click(QObject* Sender);

  // Window event handlers; empty here, a window overrides the ones it needs.
  virtual void FormActivate(QObject* Sender);
  virtual void FormDeactivate(QObject* Sender);
  virtual void FormClose(QObject* Sender, TCloseAction& Action);
  virtual void FormCreate(QObject* Sender);

  // Told by a form manager when this window's page becomes, or stops being, current.
  // The base passes the news on to managers nested in this window.
  virtual void DoFormSwitchEnter();
  virtual void DoFormSwitchExit();
  // Hosts this window as a page of FormMgr, with TabStr as the tab text.
  virtual void AddFormToMgr(TAbsFormManager* FormMgr, std::int32_t Id, const QString& TabStr,
                            std::int32_t FormType, bool TabAtEnd);

  // Runs FormCreate now if it has not run yet. It runs by itself after construction (from
  // the event loop) or at the first showing, whichever comes first.
  void RunCreate();

  void setVisible(bool visible) override;
  void reject() override;

 protected:
  bool event(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  bool created_ = false;
  bool centred_ = false;
};

}  // namespace qorva
