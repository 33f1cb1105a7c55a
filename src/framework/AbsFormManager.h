// A tabbed page control that hosts whole windows as its pages: each hosted window loses
// its border, fills its page, and is told when its page is entered or left.
#pragma once

#include <QEvent>
#include <QPointer>
#include <QTabWidget>
#include <cstdint>
#include <vector>

class QAction;
class QMenuBar;

namespace qorva {

class TAbsFormManager;

// Posted to a manager to close one of its pages; LParam is the page index.
constexpr int WM_CloseCurrentC = 1124;
constexpr bool fm_TabAtEnd = true;
constexpr bool fm_TabAtBeginning = false;

class TCloseCurrentEvent : public QEvent {
 public:
  explicit TCloseCurrentEvent(int lparam)
      : QEvent(static_cast<QEvent::Type>(WM_CloseCurrentC)), LParam(lparam) {}
  int LParam;
  int Result = 0;  // 1 once handled
};

// One page of a manager; its first child is the hosted window.
class TAbsFormPage : public QWidget {
 public:
  explicit TAbsFormPage(TAbsFormManager* AOwner);

  QWidget* Form() const { return GetForm(); }
  QWidget* GetForm() const;
  std::int32_t FormType() const { return FFormType; }
  void SetFormType(std::int32_t t) { FFormType = t; }
  TAbsFormManager* Manager() const { return FManager; }
  QWidget* ActiveControl() const { return FActiveControl; }
  bool Inserted() const { return FInserted; }

 private:
  friend class TAbsFormManager;
  QPointer<QWidget> FActiveControl;  // focused when the page was last left
  std::int32_t FFormType = 0;
  bool FInserted = false;  // true once the window is fully in place
  QPointer<TAbsFormManager> FManager;
  std::vector<QPointer<QAction>> FMergedMenus;  // what DoFormShow added to the outer menu
  bool FMenuWasVisible = false;
};

class TAbsFormManager : public QTabWidget {
 public:
  explicit TAbsFormManager(QWidget* AOwner = nullptr);
  ~TAbsFormManager() override;

  bool MergeMenus() const { return FMergeMenus; }
  void SetMergeMenus(bool m) { FMergeMenus = m; }

  // Insert at the end (fm_TabAtEnd) or at the beginning (fm_TabAtBeginning).
  bool Add(QWidget* AForm, std::int32_t AFormType, bool ATabVisible, bool AddTabAtEnd);
  // Hosts Aform on a new page at AIndex. On failure the page, and whatever it already holds
  // (the window included), is freed and false is returned; nothing is reported.
  bool Insert(int AIndex, QWidget* Aform, std::int32_t AFormType, bool ATabVisible);
  // Closes the current page and the window on it.
  void Close();
  void ShowNext();
  QWidget* GetActiveForm() const;
  // nullptr when Index is out of range or the page is not a TAbsFormPage.
  TAbsFormPage* GetMgrPage(int Index) const;
  // An index out of range changes nothing.
  void MakePageIndexActive(int Index);
  void BindManagerAndHelper(QWidget* AForm, std::int32_t AFormType);

  // Run around a change of the current page; Changing may refuse it.
  virtual void Changing(int NewIndex, bool& Allowed);
  virtual void Change();
  virtual void DoFormShow();
  virtual void DoFormHide();

  // The WM_CloseCurrentC handler; returns the message result.
  int WM_CloseCurrent(int LParam);
  // Queues WM_CloseCurrentC for the page at `index`.
  void PostCloseCurrent(int index);

  // The page the manager treats as current: the one last shown.
  TAbsFormPage* CurrentPage() const { return FCurrent; }

 protected:
  bool event(QEvent* e) override;

 private:
  void CurrentTabChanged(int index);
  void SetCurrentQuietly(QWidget* page);
  TAbsFormPage* PageAtIndex(int index) const;

  bool FMergeMenus = false;
  int FQuiet = 0;  // >0 while the manager moves pages itself
  QPointer<TAbsFormPage> FCurrent;
};

// Puts aForm on aParent, borderless and filling it, and shows it.
void LoadForm(QWidget* aForm, QWidget* aParent);

// The window's main menu: a QMainWindow's menu bar, the menu bar of its layout, or a
// menu bar that is a direct child; nullptr when it has none.
QMenuBar* MainMenuOf(QWidget* form);

}  // namespace qorva
