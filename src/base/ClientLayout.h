#pragma once
// The client installation as the tool knows it: the names of its programs
// and where its parts sit below the client folder and the tool's working
// folder. Every layer that finds, ends or starts one of them, or reads one
// of its files, takes the name from here.
#include <string>

namespace clientlayout {

// The client's database server, found and ended by this process name.
inline constexpr char kServerName[] = "ovexsqld.exe";
// The taxpayer client, under either executable name ("OvexZNP.exe" is
// looked for first), the invoicing client and the online updater.
inline constexpr char kTaxpayerPlain[] = "OvexZNP.exe";
inline constexpr char kTaxpayerLocalised[] = "Parvia管理系统(纳税人端).exe";
inline constexpr char kInvoicing[] = "Parvia管理系统(开票端).exe";
inline constexpr char kOnlineUpdater[] = "LiveZNPUpdater.exe";

// Below the client folder.
inline constexpr char kServerProgram[] = "\\db\\bin\\ovexsqld.exe";
inline constexpr char kDataFolder[] = "\\db\\data";
inline constexpr char kServiceIni[] = "\\server\\conf\\service.ini";
inline constexpr char kUpdateManagerIni[] = "\\server\\conf\\updateManager.ini";
// Below a data directory's copy (the working copy of an upgrade).
inline constexpr char kCopiedServerProgram[] = "/bin/ovexsqld.exe";

// The scratch folder in the tool's working folder, where a package is unpacked.
inline std::string scratchFolderIn(const std::string& workingFolder) { return workingFolder + "\\tmp"; }

}  // namespace clientlayout
