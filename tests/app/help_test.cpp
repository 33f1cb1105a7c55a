// The help window and its guide.
#include <QApplication>
#include <QTextBrowser>

#include "HelpWindow.h"
#include "app_test_support.h"

namespace qorva::testing {
namespace {

TEST(HelpWindow, GuideCoversCheckingEveryScoreCategoryAndEncrypting) {
  QWidget* w = ShowHelpWindow();
  auto* help = dynamic_cast<THelpWindow*>(w);
  ASSERT_NE(help, nullptr);
  EXPECT_EQ(help->windowTitle(), "QORVA File Encryption Utility Help");
  QString text = help->Browser()->toPlainText();
  for (const char* category : {"Missing / Invalid Holder Tax ID", "Incomplete Holder Contact Info.",
                               "Records With Punctuation", "Suspicious Dates", "Missing CUSIPs",
                               "Incomplete Tangible Info.", "Missing Prop. Type Codes",
                               "Missing Owner Type or Relation Codes", "Partial Owner Addresses",
                               "Zero Value Properties", "Incomplete Software Version Info."})
    EXPECT_TRUE(text.contains(category)) << category;
  for (const char* topic : {"Checking a file", "Encrypting", ".HDE", "what to send"})
    EXPECT_TRUE(text.contains(topic, Qt::CaseInsensitive)) << topic;
  delete w;
}

TEST(HelpWindow, FindsAnyOpenWindowByItsTitle) {
  // A window of another class with the help title is the one brought forward.
  QWidget other;
  other.setWindowTitle("QORVA File Encryption Utility Help");
  other.show();
  other.showMaximized();
  EXPECT_EQ(ShowHelpWindow(), &other);
  EXPECT_FALSE(other.isMaximized());
}

}  // namespace
}  // namespace qorva::testing
