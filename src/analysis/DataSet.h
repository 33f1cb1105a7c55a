// A small in-memory table engine: client datasets with typed fields, data sources that
// tell bound controls about changes, display formats and the "Field = N" filter.
//
// Declaring, as a data module does:
//   TClientDataSet cdsReports{"cdsReports"};   // its fields are named "cdsReports<Field>"
//   cdsReports.FieldDefs.Add("HolderName", TFieldType::ftString, 40);   // stored order
//   TztStringField* name = cdsReports.AddField<TztStringField>("HolderName", 40);
//   numProps->SetDisplayFormat("###,###");  penalty->SetPrecision(2);   // presentation order
//   cdsReportScore.CreateDataSet();            // active and empty from the start
//
// Reading for a grid or item model (all row numbers are 0-based visible rows, that is
// rows that pass the filter; reads never throw and give null/empty outside the data):
//   rows          ds.RecordCount()          0 while inactive
//   columns       ds.FieldCount(), ds.Fields(i)   presentation order
//   header        field->DisplayLabel()     the field name unless set
//   cell text     field->DisplayTextAt(row) display format applied; null gives ""
//   raw text      field->AsStringAt(row)    (a TztStringField trims it)
//   value         field->ValueAt(row), IsNullAt, AsIntegerAt, AsCurrencyAt, ...
//   alignment     field->Alignment()        numbers right, text and booleans left
//   current row   ds.CurrentRow() (-1 when none), ds.SetCurrentRow(row) to follow a click
// Change notifications come through a TDataSource bound to the dataset: register an
// IDataSetObserver with TDataSource::AddObserver (an item model can own its source).
//
// Writing is append-only, as the loader needs it:
//   TControlsDisabled quiet(ds);   // DisableControls now, EnableControls on every way out
//   ds.EmptyDataSet();
//   for (...) { ds.Append(); ds.FieldByName("HOLDERNAME")->SetAsString(n); ...; ds.Post(); }
//   ds.First();
//
// Errors in use (unknown field, writing outside Append, a bad filter, a value that does
// not fit its field) throw EDatabaseError with a message fit to show the user.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "Currency.h"

namespace qorva {

class TClientDataSet;
class TDataSource;

class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TFieldType { ftString, ftFixedChar, ftInteger, ftBoolean, ftCurrency, ftFloat };
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TDataSetState { dsInactive, dsBrowse, dsInsert };

// A stored value; monostate is null.
using TFieldValue = std::variant<std::monostate, std::string, std::int32_t, bool, Currency, double>;

// Case-insensitive (ASCII) name comparison, as field and filter names use.
bool SameText(const std::string& a, const std::string& b);

// ---------------------------------------------------------------------------------------
// Fields

class TField {
 public:
  virtual ~TField();
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;

  TFieldType DataType() const { return data_type_; }
  TClientDataSet* DataSet() const { return dataset_; }

  const std::string& FieldName() const { return field_name_; }
  // Component name, e.g. "cdsReportsSummaryMatches": the dataset's name followed by the
  // field name, unless set.
  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& DisplayLabel() const {
    return display_label_.empty() ? field_name_ : display_label_;
  }
  void SetDisplayLabel(const std::string& label) { display_label_ = label; }
  // Characters a control should allow for the text; defaults per type.
  int DisplayWidth() const { return display_width_ > 0 ? display_width_ : DefaultDisplayWidth(); }
  void SetDisplayWidth(int width) { display_width_ = width; }
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  bool Visible() const { return visible_; }
  void SetVisible(bool visible) { visible_ = visible; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a) { alignment_ = a; }
  // Position in the dataset's presentation order.
  int Index() const;

  // The current record: the row being appended, else the current visible row.
  bool IsNull() const;
  const TFieldValue& Value() const;
  std::string AsString() const;
  std::string DisplayText() const;
  std::int32_t AsInteger() const;  // null gives 0
  double AsFloat() const;          // null gives 0
  Currency AsCurrency() const;     // null gives 0
  bool AsBoolean() const;          // null gives false

  // A visible row by number, for grids.
  bool IsNullAt(int row) const;
  const TFieldValue& ValueAt(int row) const;
  std::string AsStringAt(int row) const;
  std::string DisplayTextAt(int row) const;
  std::int32_t AsIntegerAt(int row) const;
  double AsFloatAt(int row) const;
  Currency AsCurrencyAt(int row) const;
  bool AsBooleanAt(int row) const;

  // Writing: only into the row being appended.
  void SetAsString(const std::string& v);
  void SetAsInteger(std::int64_t v);
  void SetAsFloat(double v);
  void SetAsCurrency(Currency v);
  void SetAsBoolean(bool v);
  void Clear();  // null

 protected:
  TField(TFieldType type, int size);

  // Text of a non-null value without display format.
  virtual std::string GetAsString(const TFieldValue& v) const = 0;
  // Text for display; the plain text unless a subclass formats it.
  virtual std::string GetDisplayText(const TFieldValue& v) const { return GetAsString(v); }
  // Conversions into the field's stored kind; throw EDatabaseError when impossible.
  virtual TFieldValue FromString(const std::string& v) const;
  virtual TFieldValue FromInteger(std::int64_t v) const;
  virtual TFieldValue FromFloat(double v) const;
  virtual TFieldValue FromCurrency(Currency v) const;
  virtual TFieldValue FromBoolean(bool v) const;
  virtual int DefaultDisplayWidth() const { return 10; }

  [[noreturn]] void ConversionError(const std::string& what) const;

 private:
  friend class TClientDataSet;
  void Store(TFieldValue v);
  std::string TextOf(const TFieldValue& v) const;
  std::string DisplayOf(const TFieldValue& v) const;

  TFieldType data_type_;
  int size_;
  TClientDataSet* dataset_ = nullptr;
  int field_no_ = -1;  // column in the stored rows
  std::string field_name_, name_, display_label_;
  int display_width_ = 0;
  bool visible_ = true;
  TAlignment alignment_ = TAlignment::taLeftJustify;
};

class TStringField : public TField {
 public:
  explicit TStringField(int size = 20) : TField(TFieldType::ftString, size) {}

 protected:
  std::string GetAsString(const TFieldValue& v) const override;
  TFieldValue FromString(const std::string& v) const override;
  TFieldValue FromInteger(std::int64_t v) const override;
  TFieldValue FromFloat(double v) const override;
  TFieldValue FromCurrency(Currency v) const override;
  TFieldValue FromBoolean(bool v) const override;
  int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 20; }
};

// Integer, currency and float fields: right-aligned, optional picture format
// (see FormatFloat in DisplayFormat.h).
class TNumericField : public TField {
 public:
  const std::string& DisplayFormat() const { return display_format_; }
  void SetDisplayFormat(const std::string& f) { display_format_ = f; }

 protected:
  TNumericField(TFieldType type);

 private:
  std::string display_format_;
};

class TIntegerField : public TNumericField {
 public:
  TIntegerField() : TNumericField(TFieldType::ftInteger) {}

 protected:
  std::string GetAsString(const TFieldValue& v) const override;
  std::string GetDisplayText(const TFieldValue& v) const override;
  TFieldValue FromString(const std::string& v) const override;
  TFieldValue FromInteger(std::int64_t v) const override;
  TFieldValue FromFloat(double v) const override;  // nearest, a half to even
  TFieldValue FromCurrency(Currency v) const override;
};

// 64-bit fixed point with four decimals; shown in the currency format unless a
// DisplayFormat is set.
class TCurrencyField : public TNumericField {
 public:
  TCurrencyField() : TNumericField(TFieldType::ftCurrency) {}

 protected:
  std::string GetAsString(const TFieldValue& v) const override;
  std::string GetDisplayText(const TFieldValue& v) const override;
  TFieldValue FromString(const std::string& v) const override;
  TFieldValue FromInteger(std::int64_t v) const override;
  TFieldValue FromFloat(double v) const override;
  TFieldValue FromCurrency(Currency v) const override;
};

// Double precision; shown in the general format with Precision significant digits
// (15 unless set) unless a DisplayFormat is set.
class TFloatField : public TNumericField {
 public:
  TFloatField() : TNumericField(TFieldType::ftFloat) {}
  int Precision() const { return precision_; }
  void SetPrecision(int p) { precision_ = p < 1 ? 1 : (p > 18 ? 18 : p); }

 protected:
  std::string GetAsString(const TFieldValue& v) const override;
  std::string GetDisplayText(const TFieldValue& v) const override;
  TFieldValue FromString(const std::string& v) const override;
  TFieldValue FromInteger(std::int64_t v) const override;
  TFieldValue FromFloat(double v) const override;
  TFieldValue FromCurrency(Currency v) const override;

 private:
  int precision_ = 15;
};

// Text "True" / "False".
class TBooleanField : public TField {
 public:
  TBooleanField() : TField(TFieldType::ftBoolean, 0) {}

 protected:
  std::string GetAsString(const TFieldValue& v) const override;
  TFieldValue FromString(const std::string& v) const override;  // true/false/yes/no/t/f/y/n/1/0
  TFieldValue FromInteger(std::int64_t v) const override;
  TFieldValue FromBoolean(bool v) const override;
  int DefaultDisplayWidth() const override { return 5; }
};

// The class a dataset uses for a field it creates from a definition alone. String and
// fixed-character fields get TztStringField, as the program sets once for its whole run;
// the others their plain class.
using TFieldFactory = std::function<std::unique_ptr<TField>(int size)>;
void SetDefaultFieldClass(TFieldType type, TFieldFactory factory);
TFieldFactory DefaultFieldClass(TFieldType type);

// ---------------------------------------------------------------------------------------
// Field definitions: the stored layout of a dataset's rows.

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftString;
  int Size = 0;
};

class TFieldDefs {
 public:
  void Add(const std::string& name, TFieldType type, int size = 0);
  void Clear() { defs_.clear(); }
  int Count() const { return static_cast<int>(defs_.size()); }
  const TFieldDef& operator[](int i) const { return defs_.at(i); }
  int IndexOf(const std::string& name) const;  // -1 when absent; case-insensitive

 private:
  std::vector<TFieldDef> defs_;
};

// ---------------------------------------------------------------------------------------
// Bound controls

// A control bound to a dataset through a TDataSource. Every DataSetChanging is followed
// by one DataSetChanged (an item model maps them to beginResetModel/endResetModel).
// While the dataset's controls are disabled the pair spans the whole disabled stretch:
// Changing at the outermost DisableControls, Changed at the matching EnableControls.
class IDataSetObserver {
 public:
  virtual ~IDataSetObserver() = default;
  // Rows, filter, fields or the active state are about to change.
  virtual void DataSetChanging() {}
  // They have changed: re-read everything, the current row included.
  virtual void DataSetChanged() = 0;
  // Only the current row moved (-1: none). Not sent while controls are disabled.
  virtual void CurrentRowChanged(int /*row*/) {}
};

class TDataSource {
 public:
  explicit TDataSource(TClientDataSet* dataset = nullptr);
  ~TDataSource();
  TDataSource(const TDataSource&) = delete;
  TDataSource& operator=(const TDataSource&) = delete;

  TClientDataSet* DataSet() const { return dataset_; }
  void SetDataSet(TClientDataSet* dataset);
  // Whether bound controls may start editing; the datasets here are never edited through
  // their controls, so it is informational only.
  bool AutoEdit() const { return auto_edit_; }
  void SetAutoEdit(bool v) { auto_edit_ = v; }

  // Observers are not owned; one must be removed before it is destroyed.
  void AddObserver(IDataSetObserver* observer);
  void RemoveObserver(IDataSetObserver* observer);

 private:
  friend class TClientDataSet;
  void NotifyChanging();
  void NotifyChanged();
  void NotifyCurrentRow(int row);

  TClientDataSet* dataset_ = nullptr;
  bool auto_edit_ = true;
  std::vector<IDataSetObserver*> observers_;
};

// ---------------------------------------------------------------------------------------
// The dataset

class TClientDataSet {
 public:
  explicit TClientDataSet(const std::string& name = "");
  ~TClientDataSet();
  TClientDataSet(const TClientDataSet&) = delete;
  TClientDataSet& operator=(const TClientDataSet&) = delete;

  const std::string& Name() const { return name_; }

  // Stored layout. When no field objects have been added, CreateDataSet makes one per
  // definition (in definition order) with the default class of its type.
  TFieldDefs FieldDefs;

  // Adds a persistent field object, in presentation order, for the definition of the same
  // name (case-insensitive). Without any definitions the persistent fields themselves
  // define the layout. Field objects live as long as the dataset.
  template <class F>
  F* AddField(const std::string& field_name, int size = 0) {
    auto f = std::make_unique<F>();
    if (size > 0) f->SetSize(size);
    F* raw = f.get();
    AdoptField(std::move(f), field_name);
    return raw;
  }
  TField* AdoptField(std::unique_ptr<TField> field, const std::string& field_name);

  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField* Fields(int i) const;                         // nullptr when out of range
  TField* FindField(const std::string& name) const;    // case-insensitive; nullptr
  TField* FieldByName(const std::string& name) const;  // case-insensitive; throws

  // Creates the dataset empty from its definitions and activates it (an active dataset is
  // emptied). Throws when a persistent field has no matching definition.
  void CreateDataSet();
  bool Active() const { return state_ != TDataSetState::dsInactive; }
  // Activating a dataset that is not yet created creates it; deactivating drops its rows.
  void SetActive(bool active);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }

  // Removes every row, whether it passes the filter or not.
  void EmptyDataSet();
  // Starts a new row at the end (posting a pending one first); fields start null.
  void Append();
  // Stores the new row; it becomes current when it passes the filter.
  void Post();
  void Cancel();  // drops the row being appended

  // Visible rows (those passing the filter); 0 while inactive.
  int RecordCount() const;
  int CurrentRow() const { return current_; }
  // Makes a visible row current; false (and nothing moves) when out of range.
  bool SetCurrentRow(int row);
  void First();
  void Next();  // at the last row sets Eof and stays
  bool Eof() const;
  bool Bof() const { return bof_; }

  // Filter text: empty (every row) or "<integer field> = <whole number>", e.g.
  // "Holder_ID = 3" (field name case-insensitive, blanks optional). Setting a text that
  // does not have that form, or names an unknown or non-integer field, throws and keeps the
  // filter in force. The filter applies while Filtered is true and stays until replaced.
  void SetFilter(const std::string& text);
  const std::string& Filter() const { return filter_text_; }
  void SetFiltered(bool filtered);
  bool Filtered() const { return filtered_; }

  // Suspends telling bound controls about changes; nests. The matching outermost
  // EnableControls tells them once.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ > 0; }

 private:
  friend class TField;
  friend class TDataSource;
  struct ParsedFilter {
    std::string field_name;
    std::int32_t value;
  };
  class ChangeScope;

  void CheckActive(const char* operation) const;
  void Bind();
  void CreateStorage();
  void PostPending();
  bool PassesFilter(const std::vector<TFieldValue>& row) const;
  void RebuildVisible();
  ParsedFilter ParseFilter(const std::string& text) const;
  const TFieldValue* CurrentValue(int field_no) const;
  const TFieldValue* ValueAt(int row, int field_no) const;
  void SetCurrent(int row);
  void BeginChange();
  void EndChange();

  std::string name_;
  std::vector<std::unique_ptr<TField>> fields_;
  bool persistent_fields_ = false;
  std::vector<TFieldDef> layout_;  // definitions of the stored columns
  TDataSetState state_ = TDataSetState::dsInactive;
  std::vector<std::vector<TFieldValue>> rows_;
  std::vector<int> visible_;  // indexes into rows_
  std::vector<TFieldValue> pending_;
  int current_ = -1;
  bool eof_ = true, bof_ = true;
  std::string filter_text_;
  std::optional<ParsedFilter> filter_;
  int filter_field_no_ = -1;  // column of filter_, resolved when the layout is bound
  bool filtered_ = false;
  int disable_count_ = 0;
  int in_change_ = 0;
  std::vector<TDataSource*> sources_;
};

// Disables a dataset's controls for its lifetime, so that they are enabled again on every
// way out.
class TControlsDisabled {
 public:
  explicit TControlsDisabled(TClientDataSet& ds) : ds_(ds) { ds_.DisableControls(); }
  ~TControlsDisabled() { ds_.EnableControls(); }
  TControlsDisabled(const TControlsDisabled&) = delete;
  TControlsDisabled& operator=(const TControlsDisabled&) = delete;

 private:
  TClientDataSet& ds_;
};

}  // namespace qorva
