#include "DataSet.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

#include "DisplayFormat.h"
#include "uTztStringField.h"

namespace qorva {

namespace {

const TFieldValue kNull{};

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Trimmed(const std::string& s) { return std::string(TrimBlanks(s)); }

const char* TypeName(TFieldType t) {
  switch (t) {
    case TFieldType::ftString:
    case TFieldType::ftFixedChar:
      return "text";
    case TFieldType::ftInteger:
      return "whole number";
    case TFieldType::ftBoolean:
      return "Boolean";
    case TFieldType::ftCurrency:
      return "currency";
    case TFieldType::ftFloat:
      return "number";
  }
  return "value";
}

bool Compatible(TFieldType a, TFieldType b) {
  auto text = [](TFieldType t) {
    return t == TFieldType::ftString || t == TFieldType::ftFixedChar;
  };
  return a == b || (text(a) && text(b));
}

std::map<TFieldType, TFieldFactory>& Factories() {
  static std::map<TFieldType, TFieldFactory> factories = {
      {TFieldType::ftString, [](int size) { return std::make_unique<TztStringField>(size); }},
      {TFieldType::ftFixedChar, [](int size) { return std::make_unique<TztStringField>(size); }},
      {TFieldType::ftInteger, [](int) { return std::make_unique<TIntegerField>(); }},
      {TFieldType::ftBoolean, [](int) { return std::make_unique<TBooleanField>(); }},
      {TFieldType::ftCurrency, [](int) { return std::make_unique<TCurrencyField>(); }},
      {TFieldType::ftFloat, [](int) { return std::make_unique<TFloatField>(); }},
  };
  return factories;
}

}  // namespace

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

void SetDefaultFieldClass(TFieldType type, TFieldFactory factory) {
  Factories()[type] = std::move(factory);
}

TFieldFactory DefaultFieldClass(TFieldType type) { return Factories().at(type); }

// ---------------------------------------------------------------------------------------
// TField

TField::TField(TFieldType type, int size) : data_type_(type), size_(size) {}

TField::~TField() = default;

int TField::Index() const {
  if (!dataset_) return -1;
  for (int i = 0; i < dataset_->FieldCount(); ++i)
    if (dataset_->Fields(i) == this) return i;
  return -1;
}

const TFieldValue& TField::Value() const {
  const TFieldValue* v = dataset_ ? dataset_->CurrentValue(field_no_) : nullptr;
  return v ? *v : kNull;
}

const TFieldValue& TField::ValueAt(int row) const {
  const TFieldValue* v = dataset_ ? dataset_->ValueAt(row, field_no_) : nullptr;
  return v ? *v : kNull;
}

std::string TField::TextOf(const TFieldValue& v) const {
  return std::holds_alternative<std::monostate>(v) ? std::string() : GetAsString(v);
}

std::string TField::DisplayOf(const TFieldValue& v) const {
  return std::holds_alternative<std::monostate>(v) ? std::string() : GetDisplayText(v);
}

namespace {

std::int32_t IntegerOf(const TFieldValue& v) {
  if (auto* i = std::get_if<std::int32_t>(&v)) return *i;
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  if (auto* d = std::get_if<double>(&v)) {
    if (std::isfinite(*d) && std::fabs(*d) < 2147483648.0)
      return static_cast<std::int32_t>(std::nearbyint(*d));
    return 0;
  }
  if (auto* c = std::get_if<Currency>(&v)) {
    // Money reaches far beyond 32 bits; out of range reads as 0, as a double does.
    const double r = std::nearbyint(c->ToDouble());
    if (std::fabs(r) < 2147483648.0) return static_cast<std::int32_t>(r);
    return 0;
  }
  return 0;
}

double FloatOf(const TFieldValue& v) {
  if (auto* i = std::get_if<std::int32_t>(&v)) return *i;
  if (auto* d = std::get_if<double>(&v)) return *d;
  if (auto* c = std::get_if<Currency>(&v)) return c->ToDouble();
  if (auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
  return 0;
}

Currency CurrencyOf(const TFieldValue& v) {
  if (auto* c = std::get_if<Currency>(&v)) return *c;
  if (auto* i = std::get_if<std::int32_t>(&v)) return Currency::FromUnits(*i * Currency::kScale);
  if (auto* d = std::get_if<double>(&v)) {
    try {
      return Currency::FromDouble(*d);
    } catch (const std::out_of_range&) {
      return Currency();
    }
  }
  return Currency();
}

bool BooleanOf(const TFieldValue& v) {
  if (auto* b = std::get_if<bool>(&v)) return *b;
  if (auto* i = std::get_if<std::int32_t>(&v)) return *i != 0;
  return false;
}

}  // namespace

bool TField::IsNull() const { return std::holds_alternative<std::monostate>(Value()); }
std::string TField::AsString() const { return TextOf(Value()); }
std::string TField::DisplayText() const { return DisplayOf(Value()); }
std::int32_t TField::AsInteger() const { return IntegerOf(Value()); }
double TField::AsFloat() const { return FloatOf(Value()); }
Currency TField::AsCurrency() const { return CurrencyOf(Value()); }
bool TField::AsBoolean() const { return BooleanOf(Value()); }

bool TField::IsNullAt(int row) const {
  return std::holds_alternative<std::monostate>(ValueAt(row));
}
std::string TField::AsStringAt(int row) const { return TextOf(ValueAt(row)); }
std::string TField::DisplayTextAt(int row) const { return DisplayOf(ValueAt(row)); }
std::int32_t TField::AsIntegerAt(int row) const { return IntegerOf(ValueAt(row)); }
double TField::AsFloatAt(int row) const { return FloatOf(ValueAt(row)); }
Currency TField::AsCurrencyAt(int row) const { return CurrencyOf(ValueAt(row)); }
bool TField::AsBooleanAt(int row) const { return BooleanOf(ValueAt(row)); }

void TField::Store(TFieldValue v) {
  if (!dataset_ || dataset_->State() != TDataSetState::dsInsert || field_no_ < 0)
    throw EDatabaseError("Cannot set field \"" + field_name_ + "\": no row is being appended.");
  dataset_->pending_[static_cast<std::size_t>(field_no_)] = std::move(v);
}

void TField::SetAsString(const std::string& v) { Store(FromString(v)); }
void TField::SetAsInteger(std::int64_t v) { Store(FromInteger(v)); }
void TField::SetAsFloat(double v) { Store(FromFloat(v)); }
void TField::SetAsCurrency(Currency v) { Store(FromCurrency(v)); }
void TField::SetAsBoolean(bool v) { Store(FromBoolean(v)); }
void TField::Clear() { Store(TFieldValue{}); }

void TField::ConversionError(const std::string& what) const {
  throw EDatabaseError(what + " is not a valid " + TypeName(data_type_) + " for field \"" +
                       field_name_ + "\".");
}

TFieldValue TField::FromString(const std::string& v) const { ConversionError("\"" + v + "\""); }
TFieldValue TField::FromInteger(std::int64_t v) const { ConversionError(std::to_string(v)); }
TFieldValue TField::FromFloat(double v) const { ConversionError(FormatGeneral(v, 15)); }
TFieldValue TField::FromCurrency(Currency v) const { ConversionError(v.ToString()); }
TFieldValue TField::FromBoolean(bool v) const { ConversionError(v ? "True" : "False"); }

// ---------------------------------------------------------------------------------------
// String

std::string TStringField::GetAsString(const TFieldValue& v) const {
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}
// The stored text is kept whole, even beyond Size: nothing read is ever cut off.
TFieldValue TStringField::FromString(const std::string& v) const { return v; }
TFieldValue TStringField::FromInteger(std::int64_t v) const { return std::to_string(v); }
TFieldValue TStringField::FromFloat(double v) const { return FormatGeneral(v, 15); }
TFieldValue TStringField::FromCurrency(Currency v) const { return v.ToString(); }
TFieldValue TStringField::FromBoolean(bool v) const { return std::string(v ? "True" : "False"); }

// ---------------------------------------------------------------------------------------
// Numbers

TNumericField::TNumericField(TFieldType type) : TField(type, 0) {
  SetAlignment(TAlignment::taRightJustify);
}

std::string TIntegerField::GetAsString(const TFieldValue& v) const {
  return std::to_string(IntegerOf(v));
}

std::string TIntegerField::GetDisplayText(const TFieldValue& v) const {
  if (DisplayFormat().empty()) return GetAsString(v);
  return FormatFloat(DisplayFormat(), DecimalValue::FromInteger(IntegerOf(v)));
}

TFieldValue TIntegerField::FromString(const std::string& v) const {
  const std::string t = Trimmed(v);
  if (t.empty()) return TFieldValue{};
  std::int64_t n = 0;
  const char* begin = t.data() + (t[0] == '+' ? 1 : 0);
  auto [end, ec] = std::from_chars(begin, t.data() + t.size(), n);
  if (ec != std::errc() || end != t.data() + t.size()) ConversionError("\"" + v + "\"");
  return FromInteger(n);
}

TFieldValue TIntegerField::FromInteger(std::int64_t v) const {
  if (v < INT32_MIN || v > INT32_MAX) ConversionError(std::to_string(v));
  return static_cast<std::int32_t>(v);
}

// Nearest whole number, a half going to the even neighbour (74.5 -> 74, 75.5 -> 76).
TFieldValue TIntegerField::FromFloat(double v) const {
  const double r = std::nearbyint(v);
  if (!std::isfinite(r) || r < INT32_MIN || r > INT32_MAX) ConversionError(FormatGeneral(v, 15));
  return static_cast<std::int32_t>(r);
}

TFieldValue TIntegerField::FromCurrency(Currency v) const {
  // Nearest, a half to even, worked on the exact units.
  std::int64_t whole = v.Units() / Currency::kScale;
  const std::int64_t rest = v.Units() % Currency::kScale;
  const std::int64_t twice = 2 * (rest < 0 ? -rest : rest);
  const int dir = rest < 0 ? -1 : 1;
  if (twice > Currency::kScale || (twice == Currency::kScale && whole % 2 != 0)) whole += dir;
  return FromInteger(whole);
}

std::string TCurrencyField::GetAsString(const TFieldValue& v) const {
  return CurrencyOf(v).ToString();
}

// Without a picture format money shows in the currency format, US style: "$1,234.56".
std::string TCurrencyField::GetDisplayText(const TFieldValue& v) const {
  if (DisplayFormat().empty()) return FormatCurrency(CurrencyOf(v));
  return FormatFloat(DisplayFormat(), DecimalValue::FromCurrency(CurrencyOf(v)));
}

TFieldValue TCurrencyField::FromString(const std::string& v) const {
  if (Trimmed(v).empty()) return TFieldValue{};
  auto c = Currency::Parse(v);
  if (!c) ConversionError("\"" + v + "\"");
  return *c;
}

TFieldValue TCurrencyField::FromInteger(std::int64_t v) const {
  std::int64_t units = 0;
  if (__builtin_mul_overflow(v, Currency::kScale, &units)) ConversionError(std::to_string(v));
  return Currency::FromUnits(units);
}

TFieldValue TCurrencyField::FromFloat(double v) const {
  try {
    return Currency::FromDouble(v);
  } catch (const std::out_of_range&) {
    ConversionError(FormatGeneral(v, 15));
  }
}

TFieldValue TCurrencyField::FromCurrency(Currency v) const { return v; }

std::string TFloatField::GetAsString(const TFieldValue& v) const {
  return FormatGeneral(FloatOf(v), 15);
}

std::string TFloatField::GetDisplayText(const TFieldValue& v) const {
  if (DisplayFormat().empty()) return FormatGeneral(FloatOf(v), precision_);
  return FormatFloat(DisplayFormat(), FloatOf(v));
}

TFieldValue TFloatField::FromString(const std::string& v) const {
  const std::string t = Trimmed(v);
  if (t.empty()) return TFieldValue{};
  double d = 0;
  const char* begin = t.data() + (t[0] == '+' ? 1 : 0);
  auto [end, ec] = std::from_chars(begin, t.data() + t.size(), d);
  if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(d))
    ConversionError("\"" + v + "\"");
  return d;
}

TFieldValue TFloatField::FromInteger(std::int64_t v) const { return static_cast<double>(v); }
TFieldValue TFloatField::FromFloat(double v) const { return v; }
TFieldValue TFloatField::FromCurrency(Currency v) const { return v.ToDouble(); }

// ---------------------------------------------------------------------------------------
// Boolean

std::string TBooleanField::GetAsString(const TFieldValue& v) const {
  return BooleanOf(v) ? "True" : "False";
}

TFieldValue TBooleanField::FromString(const std::string& v) const {
  const std::string t = Trimmed(v);
  if (t.empty()) return TFieldValue{};
  for (const char* yes : {"true", "t", "yes", "y", "1"})
    if (SameText(t, yes)) return true;
  for (const char* no : {"false", "f", "no", "n", "0"})
    if (SameText(t, no)) return false;
  ConversionError("\"" + v + "\"");
}

TFieldValue TBooleanField::FromInteger(std::int64_t v) const { return v != 0; }
TFieldValue TBooleanField::FromBoolean(bool v) const { return v; }

// ---------------------------------------------------------------------------------------
// Field definitions

void TFieldDefs::Add(const std::string& name, TFieldType type, int size) {
  if (name.empty()) throw EDatabaseError("A field definition needs a name.");
  if (IndexOf(name) >= 0) throw EDatabaseError("Duplicate field name \"" + name + "\".");
  defs_.push_back({name, type, size});
}

int TFieldDefs::IndexOf(const std::string& name) const {
  for (std::size_t i = 0; i < defs_.size(); ++i)
    if (SameText(defs_[i].Name, name)) return static_cast<int>(i);
  return -1;
}

// ---------------------------------------------------------------------------------------
// TDataSource

TDataSource::TDataSource(TClientDataSet* dataset) { SetDataSet(dataset); }

// Observers are not told: they may be gone already.
TDataSource::~TDataSource() {
  if (dataset_) std::erase(dataset_->sources_, this);
}

void TDataSource::SetDataSet(TClientDataSet* dataset) {
  if (dataset == dataset_) return;
  NotifyChanging();
  if (dataset_) std::erase(dataset_->sources_, this);
  dataset_ = dataset;
  if (dataset_) dataset_->sources_.push_back(this);
  NotifyChanged();
}

void TDataSource::AddObserver(IDataSetObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void TDataSource::RemoveObserver(IDataSetObserver* observer) { std::erase(observers_, observer); }

// Copies: an observer may remove itself while being told.
void TDataSource::NotifyChanging() {
  for (IDataSetObserver* o : std::vector(observers_)) o->DataSetChanging();
}
void TDataSource::NotifyChanged() {
  for (IDataSetObserver* o : std::vector(observers_)) o->DataSetChanged();
}
void TDataSource::NotifyCurrentRow(int row) {
  for (IDataSetObserver* o : std::vector(observers_)) o->CurrentRowChanged(row);
}

// ---------------------------------------------------------------------------------------
// TClientDataSet

// Brackets one change: bound controls hear Changing before and Changed after, unless
// controls are disabled (then the disabled stretch is the bracket).
class TClientDataSet::ChangeScope {
 public:
  explicit ChangeScope(TClientDataSet& ds) : ds_(ds) { ds_.BeginChange(); }
  ~ChangeScope() { ds_.EndChange(); }
  ChangeScope(const ChangeScope&) = delete;
  ChangeScope& operator=(const ChangeScope&) = delete;

 private:
  TClientDataSet& ds_;
};

TClientDataSet::TClientDataSet(const std::string& name) : name_(name) {}

TClientDataSet::~TClientDataSet() {
  for (TDataSource* s : sources_) s->dataset_ = nullptr;
}

void TClientDataSet::BeginChange() {
  if (in_change_++ == 0 && disable_count_ == 0)
    for (TDataSource* s : std::vector(sources_)) s->NotifyChanging();
}

void TClientDataSet::EndChange() {
  if (--in_change_ == 0 && disable_count_ == 0)
    for (TDataSource* s : std::vector(sources_)) s->NotifyChanged();
}

TField* TClientDataSet::AdoptField(std::unique_ptr<TField> field, const std::string& field_name) {
  if (!field) throw EDatabaseError("No field object given.");
  if (Active()) throw EDatabaseError("Cannot add field \"" + field_name + "\" to an open dataset.");
  if (field_name.empty()) throw EDatabaseError("A field needs a name.");
  if (FindField(field_name))
    throw EDatabaseError("Duplicate field name \"" + field_name + "\" in " + name_ + ".");
  field->field_name_ = field_name;
  if (field->name_.empty()) field->name_ = name_ + field_name;
  field->dataset_ = this;
  persistent_fields_ = true;
  fields_.push_back(std::move(field));
  return fields_.back().get();
}

TField* TClientDataSet::Fields(int i) const {
  return i >= 0 && i < FieldCount() ? fields_[static_cast<std::size_t>(i)].get() : nullptr;
}

TField* TClientDataSet::FindField(const std::string& name) const {
  for (const auto& f : fields_)
    if (SameText(f->FieldName(), name)) return f.get();
  return nullptr;
}

TField* TClientDataSet::FieldByName(const std::string& name) const {
  TField* f = FindField(name);
  if (!f) throw EDatabaseError(name_ + ": field \"" + name + "\" not found.");
  return f;
}

void TClientDataSet::CheckActive(const char* operation) const {
  if (!Active())
    throw EDatabaseError(std::string("Cannot ") + operation + " " + name_ +
                         ": the dataset is not active.");
}

void TClientDataSet::CreateDataSet() {
  // Work out the layout and the binding first, so that a failure changes nothing.
  std::vector<TFieldDef> layout;
  for (int i = 0; i < FieldDefs.Count(); ++i) layout.push_back(FieldDefs[i]);
  if (layout.empty())
    for (const auto& f : fields_) layout.push_back({f->FieldName(), f->DataType(), f->Size()});
  if (layout.empty()) throw EDatabaseError("Cannot create " + name_ + ": it has no fields.");

  auto column_of = [&](const std::string& name) {
    for (std::size_t i = 0; i < layout.size(); ++i)
      if (SameText(layout[i].Name, name)) return static_cast<int>(i);
    return -1;
  };
  std::vector<int> binding;
  for (const auto& f : fields_) {
    const int col = column_of(f->FieldName());
    if (col < 0)
      throw EDatabaseError(name_ + ": field \"" + f->FieldName() + "\" has no definition.");
    if (!Compatible(f->DataType(), layout[static_cast<std::size_t>(col)].DataType))
      throw EDatabaseError(name_ + ": field \"" + f->FieldName() +
                           "\" does not match the type of its definition.");
    binding.push_back(col);
  }

  ChangeScope change(*this);
  if (fields_.empty()) {
    // Fields made from definitions alone take the default class of their type; once made
    // they stay, so pointers to them remain valid across later creations.
    for (std::size_t i = 0; i < layout.size(); ++i) {
      std::unique_ptr<TField> f = DefaultFieldClass(layout[i].DataType)(layout[i].Size);
      if (layout[i].Size > 0) f->SetSize(layout[i].Size);
      f->field_name_ = layout[i].Name;
      f->name_ = name_ + layout[i].Name;
      f->dataset_ = this;
      fields_.push_back(std::move(f));
      binding.push_back(static_cast<int>(i));
    }
  }
  for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->field_no_ = binding[i];
  filter_field_no_ = filter_ ? column_of(filter_->field_name) : -1;
  layout_ = std::move(layout);
  rows_.clear();
  pending_.clear();
  state_ = TDataSetState::dsBrowse;
  RebuildVisible();
}

void TClientDataSet::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    CreateDataSet();
    return;
  }
  ChangeScope change(*this);
  rows_.clear();
  visible_.clear();
  pending_.clear();
  state_ = TDataSetState::dsInactive;
  current_ = -1;
  eof_ = bof_ = true;
}

void TClientDataSet::EmptyDataSet() {
  CheckActive("empty");
  ChangeScope change(*this);
  rows_.clear();
  visible_.clear();
  pending_.clear();
  state_ = TDataSetState::dsBrowse;
  current_ = -1;
  eof_ = bof_ = true;
}

void TClientDataSet::Append() {
  CheckActive("append to");
  PostPending();
  pending_.assign(layout_.size(), TFieldValue{});
  state_ = TDataSetState::dsInsert;
}

void TClientDataSet::PostPending() {
  if (state_ == TDataSetState::dsInsert) Post();
}

void TClientDataSet::Post() {
  CheckActive("post to");
  if (state_ != TDataSetState::dsInsert) return;
  ChangeScope change(*this);
  rows_.push_back(std::move(pending_));
  pending_.clear();
  state_ = TDataSetState::dsBrowse;
  if (PassesFilter(rows_.back())) {
    visible_.push_back(static_cast<int>(rows_.size()) - 1);
    current_ = static_cast<int>(visible_.size()) - 1;
    eof_ = bof_ = false;
  }
}

void TClientDataSet::Cancel() {
  if (state_ != TDataSetState::dsInsert) return;
  pending_.clear();
  state_ = TDataSetState::dsBrowse;
}

int TClientDataSet::RecordCount() const { return Active() ? static_cast<int>(visible_.size()) : 0; }

void TClientDataSet::SetCurrent(int row) {
  if (row == current_) return;
  current_ = row;
  if (disable_count_ == 0 && in_change_ == 0)
    for (TDataSource* s : std::vector(sources_)) s->NotifyCurrentRow(row);
}

bool TClientDataSet::SetCurrentRow(int row) {
  if (!Active() || row < 0 || row >= RecordCount()) return false;
  PostPending();
  eof_ = bof_ = false;
  SetCurrent(row);
  return true;
}

void TClientDataSet::First() {
  CheckActive("move in");
  PostPending();
  bof_ = true;
  eof_ = visible_.empty();
  SetCurrent(visible_.empty() ? -1 : 0);
}

void TClientDataSet::Next() {
  CheckActive("move in");
  PostPending();
  bof_ = false;
  if (current_ + 1 < RecordCount()) {
    eof_ = false;
    SetCurrent(current_ + 1);
  } else {
    eof_ = true;
  }
}

bool TClientDataSet::Eof() const { return !Active() || eof_; }

bool TClientDataSet::PassesFilter(const std::vector<TFieldValue>& row) const {
  if (!filtered_ || !filter_) return true;
  if (filter_field_no_ < 0 || filter_field_no_ >= static_cast<int>(row.size())) return false;
  const auto* v = std::get_if<std::int32_t>(&row[static_cast<std::size_t>(filter_field_no_)]);
  return v && *v == filter_->value;
}

void TClientDataSet::RebuildVisible() {
  visible_.clear();
  for (std::size_t i = 0; i < rows_.size(); ++i)
    if (PassesFilter(rows_[i])) visible_.push_back(static_cast<int>(i));
  current_ = visible_.empty() ? -1 : 0;
  bof_ = true;
  eof_ = visible_.empty();
}

TClientDataSet::ParsedFilter TClientDataSet::ParseFilter(const std::string& text) const {
  auto fail = [&](const std::string& why) -> EDatabaseError {
    return EDatabaseError("Invalid filter \"" + text + "\" for " + name_ + ": " + why);
  };
  const std::string_view s = TrimBlanks(text);
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
  };
  std::string field;
  if (i < s.size() && s[i] == '[') {  // a bracketed name, as filter texts allow
    const std::size_t close = s.find(']', i);
    if (close == std::string_view::npos) throw fail("missing \"]\".");
    field = std::string(s.substr(i + 1, close - i - 1));
    i = close + 1;
  } else {
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
      field += s[i++];
  }
  if (field.empty()) throw fail("expected a field name, then \"=\" and a whole number.");
  skip_blanks();
  if (i >= s.size() || s[i] != '=') throw fail("expected \"=\" after the field name.");
  ++i;
  skip_blanks();
  const std::string_view number = s.substr(i);
  std::int64_t value = 0;
  const char* begin = number.data() + (!number.empty() && number[0] == '+' ? 1 : 0);
  auto [end, ec] = std::from_chars(begin, number.data() + number.size(), value);
  if (number.empty() || ec == std::errc::invalid_argument || end != number.data() + number.size())
    throw fail("expected a whole number after \"=\".");
  if (ec == std::errc::result_out_of_range || value < INT32_MIN || value > INT32_MAX)
    throw fail("the number is out of range.");

  TFieldType type;
  std::string canonical;
  if (const TField* f = FindField(field)) {
    type = f->DataType();
    canonical = f->FieldName();
  } else if (const int d = FieldDefs.IndexOf(field); d >= 0) {
    type = FieldDefs[d].DataType;
    canonical = FieldDefs[d].Name;
  } else {
    throw fail("there is no field \"" + field + "\".");
  }
  if (type != TFieldType::ftInteger)
    throw fail("\"" + canonical + "\" is not a whole-number field.");
  return {canonical, static_cast<std::int32_t>(value)};
}

void TClientDataSet::SetFilter(const std::string& text) {
  std::optional<ParsedFilter> parsed;
  if (!TrimBlanks(text).empty()) parsed = ParseFilter(text);
  ChangeScope change(*this);
  filter_text_ = text;
  filter_ = std::move(parsed);
  filter_field_no_ = -1;
  if (filter_)
    for (std::size_t i = 0; i < layout_.size(); ++i)
      if (SameText(layout_[i].Name, filter_->field_name)) filter_field_no_ = static_cast<int>(i);
  if (Active()) {
    PostPending();
    RebuildVisible();
  }
}

void TClientDataSet::SetFiltered(bool filtered) {
  if (filtered == filtered_) return;
  ChangeScope change(*this);
  filtered_ = filtered;
  if (Active()) {
    PostPending();
    RebuildVisible();
  }
}

void TClientDataSet::DisableControls() {
  if (disable_count_++ == 0 && in_change_ == 0)
    for (TDataSource* s : std::vector(sources_)) s->NotifyChanging();
}

void TClientDataSet::EnableControls() {
  if (disable_count_ == 0) return;
  if (--disable_count_ == 0 && in_change_ == 0)
    for (TDataSource* s : std::vector(sources_)) s->NotifyChanged();
}

const TFieldValue* TClientDataSet::CurrentValue(int field_no) const {
  if (state_ == TDataSetState::dsInsert) {
    if (field_no < 0 || field_no >= static_cast<int>(pending_.size())) return nullptr;
    return &pending_[static_cast<std::size_t>(field_no)];
  }
  return ValueAt(current_, field_no);
}

const TFieldValue* TClientDataSet::ValueAt(int row, int field_no) const {
  if (!Active() || row < 0 || row >= static_cast<int>(visible_.size()) || field_no < 0)
    return nullptr;
  const auto& r = rows_[static_cast<std::size_t>(visible_[static_cast<std::size_t>(row)])];
  return field_no < static_cast<int>(r.size()) ? &r[static_cast<std::size_t>(field_no)] : nullptr;
}

}  // namespace qorva
