// The settings file over hand-written files: plain values, other lines kept byte for byte.
#include "IniFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace qorva {
namespace {

class IniFileTest : public ::testing::Test {
 protected:
  QString Path() const { return dir_.filePath("Zizuvozuv.INI"); }
  void Write(const QByteArray& bytes) {
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray Bytes() const {
    QFile f(Path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
};

TEST_F(IniFileTest, ValuesAreReadAsPlainText) {
  Write(
      "; written by hand\r\n"
      "[Other]\r\n"
      "OutputDir=not this one\r\n"
      "[Paths]\r\n"
      "InitialDir=C:\\Data\\Reports\\\r\n"
      "OutputDir=D:\\Out, 2024\r\n"
      "Quoted=say \"hi\", \\n and \\\\ stay\r\n"
      "Enclosed=\"C:\\Program Files\\\"\r\n"
      "  Spaced  =   a b  \r\n"
      ";Commented=yes\r\n"
      "Twice=first\r\n"
      "twice=second\n"
      "[paths2]\r\n");
  TIniFile ini(Path());
  struct Case {
    const char* key;
    const char* expected;
  } cases[] = {
      {"InitialDir", "C:\\Data\\Reports\\"},  // the trailing backslash joins no line
      {"OutputDir", "D:\\Out, 2024"},         // a comma makes no list
      {"Quoted", "say \"hi\", \\n and \\\\ stay"},
      {"Enclosed", "C:\\Program Files\\"},  // one enclosing pair goes, as the profile functions do
      {"spaced", "a b"},
      {"TWICE", "first"},
      {"Commented", "(default)"},
      {"Missing", "(default)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ini.ReadString("PATHS", c.key, "(default)"), c.expected) << c.key;
  EXPECT_TRUE(ini.ValueExists("Paths", "OutputDir"));
  EXPECT_FALSE(ini.ValueExists("Paths", "Commented"));
  EXPECT_FALSE(ini.ValueExists("Nowhere", "OutputDir"));
  EXPECT_TRUE(ini.SectionExists("paths2"));
}

TEST_F(IniFileTest, MissingFileGivesDefaultsAndIsMadeByTheFirstWrite) {
  TIniFile ini(Path());
  EXPECT_EQ(ini.ReadString("Paths", "InitialDir", "home"), "home");
  EXPECT_FALSE(QFileInfo::exists(Path()));
  ASSERT_TRUE(ini.WriteString("Paths", "InitialDir", "C:\\Data\\Reports\\"));
  ASSERT_TRUE(ini.WriteString("Paths", "OutputDir", "D:\\Out, 2024"));
  EXPECT_EQ(Bytes(), "[Paths]\r\nInitialDir=C:\\Data\\Reports\\\r\nOutputDir=D:\\Out, 2024\r\n");
  EXPECT_EQ(ini.ReadString("Paths", "OutputDir", ""), "D:\\Out, 2024");
}

TEST_F(IniFileTest, WritesChangeOnlyTheirOwnLine) {
  const QByteArray before =
      "; keep me\r\n"
      "[Paths]\r\n"
      "InitialDir=C:\\Old\\\r\n"
      "Other = x , y\n"
      "\r\n"
      "[Window]\r\n"
      "Left=10\r\n"
      "Odd line without equals";
  struct Case {
    const char* name;
    const char* section;
    const char* key;
    const char* value;
    QByteArray after;
  } cases[] = {
      {"replaced in place", "paths", "initialdir", "C:\\New\\",
       "; keep me\r\n[Paths]\r\ninitialdir=C:\\New\\\r\nOther = x , y\n\r\n[Window]\r\nLeft=10\r\n"
       "Odd line without equals"},
      {"added after the section's last line", "Paths", "OutputDir", "D:\\Out, 2024",
       "; keep me\r\n[Paths]\r\nInitialDir=C:\\Old\\\r\nOther = x , y\nOutputDir=D:\\Out, "
       "2024\r\n\r\n[Window]\r\nLeft=10\r\nOdd line without equals"},
      {"added at the end of the last section", "Window", "Top", "5",
       "; keep me\r\n[Paths]\r\nInitialDir=C:\\Old\\\r\nOther = x , y\n\r\n[Window]\r\nLeft=10\r\n"
       "Odd line without equals\r\nTop=5\r\n"},
      {"new section at the end", "New", "Key", "\"quoted\"",
       "; keep me\r\n[Paths]\r\nInitialDir=C:\\Old\\\r\nOther = x , y\n\r\n[Window]\r\nLeft=10\r\n"
       "Odd line without equals\r\n[New]\r\nKey=\"quoted\"\r\n"},
  };
  for (const Case& c : cases) {
    Write(before);
    TIniFile ini(Path());
    ASSERT_TRUE(ini.WriteString(c.section, c.key, c.value)) << c.name;
    EXPECT_EQ(Bytes(), c.after) << c.name;
  }
}

TEST_F(IniFileTest, RefusesWhatWouldBreakOtherLines) {
  const QByteArray before = "[Paths]\r\nOutputDir=D:\\Out\r\n";
  Write(before);
  TIniFile ini(Path());
  EXPECT_FALSE(ini.WriteString("Paths", "OutputDir", "D:\\a\r\n[Evil]\r\nx=1"));
  EXPECT_FALSE(ini.WriteString("Paths", "Out=Dir", "x"));
  EXPECT_FALSE(ini.WriteString("Pa]ths", "Key", "x"));
  EXPECT_FALSE(ini.WriteString("Paths", " ", "x"));
  EXPECT_EQ(Bytes(), before);
  // A folder that cannot be written leaves the file as it was.
  TIniFile nowhere(dir_.filePath("missing-folder/Zizuvozuv.INI"));
  EXPECT_FALSE(nowhere.WriteString("Paths", "OutputDir", "x"));
}

}  // namespace
}  // namespace qorva
