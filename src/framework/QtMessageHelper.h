// The desktop program's message helper: every message is a modal box owned by the
// window the user is working in.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <string>

#include "w_dialog.h"

namespace qorva {

class QtMessageHelper : public IMessageHelper {
 public:
  // Box captions. The plain box takes the application title,
  // QGuiApplication::applicationDisplayName().
  static constexpr const char* kInformationCaption = "Information";
  static constexpr const char* kWarningCaption = "Warning";
  static constexpr const char* kQuestionCaption = "Confirm";

  QtMessageHelper() = default;

  void Show(MessageKind kind, const std::string& text) override;
  // The detail goes into the box's detailed text, so the box's own text stays as it is.
  void ShowDetailed(MessageKind kind, const std::string& text, const std::string& detail) override;
  bool AskYesNo(const std::string& text) override;

  // The window that owns a box when no window is active.
  void SetMainWindow(QWidget* w) { main_window_ = w; }
  // The active modal window, else the active window, else the main window.
  QWidget* OwnerWindow() const;

  // Message text as shown: carriage returns become line breaks; UTF-8 where the bytes
  // are valid UTF-8, else Latin-1.
  static QString DisplayText(const std::string& text);

 private:
  QPointer<QWidget> main_window_;
};

}  // namespace qorva
