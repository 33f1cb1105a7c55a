// A settings file in the INI layout, read and written as the Windows profile functions do:
// values are plain text (no escapes, no quoting rules, no lists), so backslashes, commas and
// quotes inside a value are literal. Every call reads the file afresh, and every write reaches
// the file at once; lines it does not change (other sections, keys, comments, blank lines)
// are kept byte for byte. Lines it writes end in CR LF.
#pragma once

#include <QByteArray>
#include <QString>

namespace qorva {

class TIniFile {
 public:
  explicit TIniFile(QString file_name) : file_name_(std::move(file_name)) {}

  const QString& FileName() const { return file_name_; }

  // The value of `key` in `section` (both matched without regard to case), with the blanks
  // around it removed and one pair of enclosing quotes (" or ') dropped; `default_value` when
  // the file, the section or the key is missing. The first of repeated keys counts.
  QString ReadString(const QString& section, const QString& key,
                     const QString& default_value) const;
  bool ValueExists(const QString& section, const QString& key) const;
  bool SectionExists(const QString& section) const;

  // Sets `key` in `section`: the key's line is rewritten in place, or added at the end of the
  // section, or the section is added at the end of the file. The file is replaced as a whole
  // (written beside it, then renamed). False, and the file unchanged, when it cannot be
  // written or when the value, key or section holds a line break (or the key a "=", the
  // section a "]"), which would change other lines' meaning.
  bool WriteString(const QString& section, const QString& key, const QString& value);

 private:
  QByteArray ReadAll() const;

  QString file_name_;
};

}  // namespace qorva
