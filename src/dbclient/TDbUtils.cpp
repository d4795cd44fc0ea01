// The connection factory and the two single-value reads from the client database.
#include "dbclient/TDbUtils.h"

#include "dbclient/TDbConnection.h"
#include "dbclient/TDbQuery.h"

namespace TDbUtils {

std::unique_ptr<TDbConnection> getOvexZnpConnection() {
  auto connection = std::make_unique<TDbConnection>();
  connection->setUserName("ovex_znp");
  connection->setPassword("mwqzrv@4817");
  connection->setServer("127.0.0.1");
  connection->setPort(53306);
  connection->setServerKind("MySQL");
  connection->setDatabase("ovex_znp");
  connection->addOption("charset=GBK");
  return connection;
}

}  // namespace TDbUtils

namespace {

// The column's value in the first row the statement returns, as text, on a
// connection of its own. A missing row or a null is an error.
std::string readFirstValue(const std::string& sql, const std::string& column) {
  auto connection = TDbUtils::getOvexZnpConnection();
  TDbQuery query(*connection, sql);
  connection->Connect();
  query.Open();
  query.First();
  std::string value = query.FieldByName(column).AsString();
  query.Close();
  connection->Disconnect();
  return value;
}

}  // namespace

std::string getDbVersion() { return readFirstValue("select * from sys_rjbbxx", "SJKBBH"); }

std::string getBackupPath() { return readFirstValue("select * from sys_sjbf_pz", "BF_PATH"); }
