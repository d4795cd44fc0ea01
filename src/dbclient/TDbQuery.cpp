#include "dbclient/TDbQuery.h"

#include <mysql.h>

#include "base/OvexError.h"
#include "dbclient/TDbConnection.h"
#include "platform/CodePages.h"

namespace {

std::string asciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string fromWire(const char* bytes, unsigned long length, bool ansi) {
  const std::string_view raw(bytes, length);
  return ansi ? platform::ansiToUtf8(raw) : std::string(raw);
}

}  // namespace

std::string TDbField::AsString() const {
  if (!hasRow_) throw OvexError("field " + name_ + ": the result has no current row");
  if (!value_) throw OvexError("field " + name_ + ": the value is null");
  return *value_;
}

TDbQuery::TDbQuery(TDbConnection& connection, std::string sql)
    : connection_(connection), sql_(std::move(sql)) {}

TDbQuery::~TDbQuery() { Close(); }

void TDbQuery::Open() {
  Close();
  MYSQL* mysql = connection_.openHandle("Open");
  const std::string wire = platform::utf8ToAnsi(sql_);
  if (mysql_real_query(mysql, wire.data(), wire.size()) != 0) connection_.fail();
  result_ = mysql_store_result(mysql);
  if (!result_) {
    if (mysql_field_count(mysql) != 0) connection_.fail();
    connection_.readAllResults();
    throw OvexError("Open: the statement returned no result set");
  }
  // Results of further statements in the same text are not wanted.
  if (mysql_more_results(mysql) && mysql_next_result(mysql) == 0) connection_.readAllResults();
  const unsigned int count = mysql_num_fields(result_);
  const MYSQL_FIELD* fields = mysql_fetch_fields(result_);
  for (unsigned int i = 0; i < count; ++i)
    columns_.push_back(fromWire(fields[i].name, fields[i].name_length, connection_.wireIsAnsi_));
  First();
}

void TDbQuery::First() {
  if (!result_) throw OvexError("First: the query is not open");
  mysql_data_seek(result_, 0);
  row_.clear();
  MYSQL_ROW row = mysql_fetch_row(result_);
  hasRow_ = row != nullptr;
  if (!hasRow_) return;
  const unsigned long* lengths = mysql_fetch_lengths(result_);
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (row[i])
      row_.emplace_back(fromWire(row[i], lengths[i], connection_.wireIsAnsi_));
    else
      row_.emplace_back(std::nullopt);
  }
}

TDbField TDbQuery::FieldByName(const std::string& name) const {
  const std::string wanted = asciiLower(name);
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (asciiLower(columns_[i]) != wanted) continue;
    return TDbField(name, hasRow_, hasRow_ ? row_[i] : std::nullopt);
  }
  throw OvexError("field '" + name + "' not found");
}

void TDbQuery::Close() {
  if (result_) mysql_free_result(result_);
  result_ = nullptr;
  columns_.clear();
  row_.clear();
  hasRow_ = false;
}
