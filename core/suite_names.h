#pragma once
// The names every tool of the suite shares, and the suite package's own
// codes: the one place they are written. The C++ code includes this file;
// cmake/KaldrinSuiteNames.cmake and scripts/release/common.py read it as text.
// So every name is one line `#define KALDRIN_SUITE_<NAME> "<text>"`: plain
// ASCII, no quote or backslash inside, nothing else on the line. C++ code
// widens a name by writing it next to a wide literal (L"" KALDRIN_SUITE_HOST).
//
// Never change the data folder or the upgrade code: every installed tool
// keeps its records under the one, and an installed suite finds its later
// versions by the other.

// The publisher: the version resources' company, the manifests' assembly
// names, the installers' manufacturer and registry key under HKCU\Software.
#define KALDRIN_SUITE_PUBLISHER "NoltMed"

// The web address, a host name without scheme.
#define KALDRIN_SUITE_HOST "www.noltmed.example"

// The suite's folder under the local application-data folder, and in it the
// folder of the tools' record files; also the prefix of the record locks' names.
#define KALDRIN_SUITE_DATA_FOLDER "NoltMedSuite"
#define KALDRIN_SUITE_RECORDS_FOLDER "records"

// The suite package, which installs every released tool together: its
// release files' name, its name in the installer (its folder under
// %LOCALAPPDATA%\Programs, its Start-menu folder and its "Apps & features"
// entry), its version and its upgrade code.
#define KALDRIN_SUITE_TARGET "noltmed-suite"
#define KALDRIN_SUITE_INSTALL_NAME "NoltMed Suite"
#define KALDRIN_SUITE_VERSION "1.0.0"
#define KALDRIN_SUITE_UPGRADE_CODE "{0D3DBB54-35CF-4548-96CF-F3A1F0BA080A}"
