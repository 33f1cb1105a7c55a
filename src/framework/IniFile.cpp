#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <optional>
#include <vector>

namespace qorva {
namespace {

// One line of the file with its own line end (none on a last line without one).
struct Line {
  QByteArray text;
  QByteArray end;
};

std::vector<Line> SplitLines(const QByteArray& data) {
  std::vector<Line> lines;
  qsizetype start = 0;
  while (start < data.size()) {
    qsizetype i = start;
    while (i < data.size() && data[i] != '\n' && data[i] != '\r') ++i;
    Line line{data.mid(start, i - start), {}};
    if (i < data.size()) {
      const qsizetype end_length =
          (data[i] == '\r' && i + 1 < data.size() && data[i + 1] == '\n') ? 2 : 1;
      line.end = data.mid(i, end_length);
      i += end_length;
    }
    lines.push_back(std::move(line));
    start = i;
  }
  return lines;
}

// The profile functions work in the system's 8-bit code page.
QByteArray Bytes(const QString& s) { return s.toLocal8Bit(); }
QString Text(const QByteArray& b) { return QString::fromLocal8Bit(b); }

bool SameName(const QByteArray& a, const QByteArray& b) {
  return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The section that a "[name]" line opens, else nothing.
std::optional<QByteArray> SectionName(const QByteArray& line) {
  const QByteArray t = line.trimmed();
  if (!t.startsWith('[')) return std::nullopt;
  const qsizetype close = t.indexOf(']');
  return (close < 0 ? t.mid(1) : t.mid(1, close - 1)).trimmed();
}

bool IsComment(const QByteArray& line) { return line.trimmed().startsWith(';'); }

// The key of a "key=value" line, else nothing.
std::optional<QByteArray> KeyOf(const QByteArray& line) {
  if (IsComment(line)) return std::nullopt;
  const qsizetype eq = line.indexOf('=');
  if (eq < 0) return std::nullopt;
  return line.left(eq).trimmed();
}

QByteArray ValueOf(const QByteArray& line) {
  QByteArray v = line.mid(line.indexOf('=') + 1).trimmed();
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.mid(1, v.size() - 2);
  return v;
}

// Lines [first, last) of `section` after its header; nothing when it is missing.
std::optional<std::pair<std::size_t, std::size_t>> FindSection(const std::vector<Line>& lines,
                                                               const QByteArray& section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto name = SectionName(lines[i].text);
    if (!name || !SameName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines.size() && !SectionName(lines[end].text)) ++end;
    return std::make_pair(i + 1, end);
  }
  return std::nullopt;
}

std::optional<std::size_t> FindKey(const std::vector<Line>& lines,
                                   std::pair<std::size_t, std::size_t> range,
                                   const QByteArray& key) {
  for (std::size_t i = range.first; i < range.second; ++i) {
    const auto k = KeyOf(lines[i].text);
    if (k && SameName(*k, key)) return i;
  }
  return std::nullopt;
}

bool HasLineBreak(const QString& s) { return s.contains('\r') || s.contains('\n'); }

}  // namespace

QByteArray TIniFile::ReadAll() const {
  QFile f(file_name_);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

QString TIniFile::ReadString(const QString& section, const QString& key,
                             const QString& default_value) const {
  const std::vector<Line> lines = SplitLines(ReadAll());
  const auto range = FindSection(lines, Bytes(section));
  if (!range) return default_value;
  const auto at = FindKey(lines, *range, Bytes(key));
  if (!at) return default_value;
  return Text(ValueOf(lines[*at].text));
}

bool TIniFile::ValueExists(const QString& section, const QString& key) const {
  const std::vector<Line> lines = SplitLines(ReadAll());
  const auto range = FindSection(lines, Bytes(section));
  return range && FindKey(lines, *range, Bytes(key));
}

bool TIniFile::SectionExists(const QString& section) const {
  return FindSection(SplitLines(ReadAll()), Bytes(section)).has_value();
}

bool TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || key.contains('=') ||
      key.trimmed().isEmpty() || section.contains(']'))
    return false;
  const QByteArray crlf("\r\n");
  std::vector<Line> lines = SplitLines(ReadAll());
  const QByteArray entry = Bytes(key) + '=' + Bytes(value);
  const auto range = FindSection(lines, Bytes(section));
  if (!range) {
    if (!lines.empty() && lines.back().end.isEmpty()) lines.back().end = crlf;
    lines.push_back({'[' + Bytes(section) + ']', crlf});
    lines.push_back({entry, crlf});
  } else if (const auto at = FindKey(lines, *range, Bytes(key))) {
    lines[*at].text = entry;
    if (lines[*at].end.isEmpty()) lines[*at].end = crlf;
  } else {
    // After the section's last line that is not blank.
    std::size_t after = range->second;
    while (after > range->first && lines[after - 1].text.trimmed().isEmpty()) --after;
    if (lines[after - 1].end.isEmpty()) lines[after - 1].end = crlf;
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after), Line{entry, crlf});
  }

  QByteArray data;
  for (const Line& l : lines) data += l.text + l.end;
  QSaveFile out(file_name_);
  if (!out.open(QIODevice::WriteOnly)) return false;
  out.write(data);
  return out.commit();
}

}  // namespace qorva
