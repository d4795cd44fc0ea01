#pragma once
// A connection to the client's MySQL-protocol database server over TCP/IP.
// Texts are UTF-8 on this side and GBK (the ANSI code page) on the wire.
// Every failure is an OvexError carrying the client library's message.
#include <string>
#include <vector>

struct st_mysql;

class TDbConnection {
 public:
  TDbConnection() = default;
  ~TDbConnection();
  TDbConnection(const TDbConnection&) = delete;
  TDbConnection& operator=(const TDbConnection&) = delete;

  // Parameters; they take effect at the next Connect.
  void setUserName(const std::string& name) { userName_ = name; }
  void setPassword(const std::string& password) { password_ = password; }
  void setServer(const std::string& host) { server_ = host; }
  void setPort(int port) { port_ = port; }
  // The protocol spoken; only "MySQL" is known.
  void setServerKind(const std::string& kind) { serverKind_ = kind; }
  void setDatabase(const std::string& database) { database_ = database; }
  // "name=value"; "charset=X" (name without regard to case) sends
  // "SET NAMES X" after login. Other options are kept but do nothing.
  void addOption(const std::string& option) { options_.push_back(option); }

  // Logs in (15 seconds at most), then sets the connection character set.
  void Connect();
  bool Connected() const { return handle_ != nullptr; }
  // Runs a statement text as it stands; every result it yields is read
  // and dropped. Several statements in one text run in order and stop at
  // the first one the server rejects.
  void ExecSQL(const std::string& sql);
  // Commits the open transaction; sends nothing when there is none.
  void Commit();
  void Disconnect();

  // Seconds allowed to reach the server and log in.
  static constexpr unsigned kConnectTimeoutSeconds = 15;

 private:
  friend class TDbQuery;
  st_mysql* openHandle(const char* operation) const;
  std::string charsetOption() const;
  [[noreturn]] void fail() const;
  void readAllResults();

  std::string userName_, password_, server_, serverKind_ = "MySQL", database_;
  int port_ = 3306;
  std::vector<std::string> options_;
  st_mysql* handle_ = nullptr;
  bool wireIsAnsi_ = false;  // messages and values arrive in the ANSI code page
};
