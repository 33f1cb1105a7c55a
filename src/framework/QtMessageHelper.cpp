#include "QtMessageHelper.h"

#include <QApplication>
#include <QMessageBox>
#include <QStringDecoder>

namespace qorva {

QWidget* QtMessageHelper::OwnerWindow() const {
  if (QWidget* w = QApplication::activeModalWidget()) return w;
  if (QWidget* w = QApplication::activeWindow()) return w;
  return main_window_.data();
}

QString QtMessageHelper::DisplayText(const std::string& text) {
  const std::string lines = MessageAsLines(text);
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString s = utf8(QByteArrayView(lines.data(), static_cast<qsizetype>(lines.size())));
  if (utf8.hasError()) s = QString::fromLatin1(lines.data(), static_cast<qsizetype>(lines.size()));
  return s;
}

void QtMessageHelper::Show(MessageKind kind, const std::string& text) {
  ShowDetailed(kind, text, {});
}

void QtMessageHelper::ShowDetailed(MessageKind kind, const std::string& text,
                                   const std::string& detail) {
  QMessageBox box(OwnerWindow());
  switch (kind) {
    case MessageKind::Plain:
      box.setIcon(QMessageBox::NoIcon);
      box.setWindowTitle(QGuiApplication::applicationDisplayName());
      break;
    case MessageKind::Warning:
      box.setIcon(QMessageBox::Warning);
      box.setWindowTitle(QString::fromLatin1(kWarningCaption));
      break;
    case MessageKind::Information:
      box.setIcon(QMessageBox::Information);
      box.setWindowTitle(QString::fromLatin1(kInformationCaption));
      break;
  }
  // Messages quote file contents; never let them be read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(DisplayText(text));
  if (!detail.empty()) box.setDetailedText(DisplayText(detail));
  box.setStandardButtons(QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.exec();
}

bool QtMessageHelper::AskYesNo(const std::string& text) {
  QMessageBox box(OwnerWindow());
  box.setIcon(QMessageBox::Question);
  box.setWindowTitle(QString::fromLatin1(kQuestionCaption));
  box.setTextFormat(Qt::PlainText);
  box.setText(DisplayText(text));
  box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::No);
  box.setWindowModality(Qt::ApplicationModal);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace qorva
