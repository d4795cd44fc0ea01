#pragma once
// One statement on a connection, read as a result set.
#include <optional>
#include <string>
#include <vector>

class TDbConnection;
struct st_mysql_res;

// The value of one column in the current row.
class TDbField {
 public:
  TDbField(std::string name, bool hasRow, std::optional<std::string> value)
      : name_(std::move(name)), hasRow_(hasRow), value_(std::move(value)) {}
  // The value as text; an error when there is no current row or it is null.
  std::string AsString() const;
  bool IsNull() const { return !value_.has_value(); }

 private:
  std::string name_;
  bool hasRow_;
  std::optional<std::string> value_;
};

class TDbQuery {
 public:
  TDbQuery(TDbConnection& connection, std::string sql);
  ~TDbQuery();
  TDbQuery(const TDbQuery&) = delete;
  TDbQuery& operator=(const TDbQuery&) = delete;

  // Runs the statement and makes its result set current, on its first row.
  void Open();
  // Moves to the first row (no current row when the result is empty).
  void First();
  // The named column (ASCII letters without regard to case) of the current
  // row; an error when the result has no such column.
  TDbField FieldByName(const std::string& name) const;
  bool Eof() const { return !hasRow_; }
  // Releases the result set.
  void Close();

 private:
  TDbConnection& connection_;
  std::string sql_;
  st_mysql_res* result_ = nullptr;
  std::vector<std::string> columns_;
  std::vector<std::optional<std::string>> row_;
  bool hasRow_ = false;
};
