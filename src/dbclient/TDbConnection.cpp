#include "dbclient/TDbConnection.h"

#include <mysql.h>

#include "base/OvexError.h"
#include "platform/CodePages.h"
#include "util/AsciiCase.h"

namespace {

// Servers before 4.1 know no connection character set.
constexpr unsigned long kFirstVersionWithCharsets = 40100;

}  // namespace

TDbConnection::~TDbConnection() { Disconnect(); }

std::string TDbConnection::charsetOption() const {
  for (const auto& option : options_) {
    const size_t eq = option.find('=');
    if (eq != std::string::npos && equalNoCase(option.substr(0, eq), "charset"))
      return option.substr(eq + 1);
  }
  return "";
}

void TDbConnection::fail() const {
  const char* message = mysql_error(handle_);
  throw OvexError(wireIsAnsi_ ? platform::ansiToUtf8(message) : std::string(message));
}

void TDbConnection::Connect() {
  if (!equalNoCase(serverKind_, "MySQL"))
    throw OvexError("unsupported server kind: " + serverKind_);
  Disconnect();
  MYSQL* mysql = mysql_init(nullptr);
  if (!mysql) throw OvexError("out of memory for a database connection");
  const unsigned int protocol = MYSQL_PROTOCOL_TCP;
  const unsigned int timeout = kConnectTimeoutSeconds;
  mysql_optionsv(mysql, MYSQL_OPT_PROTOCOL, &protocol);
  mysql_optionsv(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
  // No option file is read and nothing asks for a password.
  const unsigned long flags = CLIENT_MULTI_STATEMENTS | CLIENT_MULTI_RESULTS;
  if (!mysql_real_connect(mysql, server_.c_str(), userName_.c_str(), password_.c_str(),
                          database_.empty() ? nullptr : database_.c_str(),
                          static_cast<unsigned int>(port_), nullptr, flags)) {
    const std::string message = mysql_error(mysql);
    mysql_close(mysql);
    throw OvexError(message);
  }
  handle_ = mysql;
  wireIsAnsi_ = false;
  const std::string charset = charsetOption();
  if (charset.empty() || mysql_get_server_version(handle_) < kFirstVersionWithCharsets) return;
  try {
    ExecSQL("SET NAMES " + charset);
  } catch (...) {
    Disconnect();
    throw;
  }
  wireIsAnsi_ = true;
}

st_mysql* TDbConnection::openHandle(const char* operation) const {
  if (!handle_) throw OvexError(std::string(operation) + ": not connected to the database");
  return handle_;
}

void TDbConnection::ExecSQL(const std::string& sql) {
  MYSQL* mysql = openHandle("ExecSQL");
  const std::string wire = platform::utf8ToAnsi(sql);
  if (mysql_real_query(mysql, wire.data(), wire.size()) != 0) fail();
  readAllResults();
}

// Reads and drops every result of the last statement text, so that the
// connection is ready for the next one; raises the first later error.
void TDbConnection::readAllResults() {
  for (;;) {
    if (MYSQL_RES* result = mysql_store_result(handle_))
      mysql_free_result(result);
    else if (mysql_field_count(handle_) != 0)
      fail();
    const int next = mysql_next_result(handle_);
    if (next < 0) return;
    if (next > 0) fail();
  }
}

void TDbConnection::Commit() {
  MYSQL* mysql = openHandle("Commit");
  unsigned int status = 0;
  if (mariadb_get_infov(mysql, MARIADB_CONNECTION_SERVER_STATUS, &status) != 0) fail();
  if (!(status & SERVER_STATUS_IN_TRANS)) return;
  if (mysql_commit(mysql) != 0) fail();
}

void TDbConnection::Disconnect() {
  if (!handle_) return;
  mysql_close(handle_);
  handle_ = nullptr;
  wireIsAnsi_ = false;
}
