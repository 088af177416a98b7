// The properties that the Windows Installer defines and sets itself. A Directory key is also a
// property: the installer sets these before it resolves the folders, so a folder keyed "Time"
// would install into "6:48:20\" and one keyed "Intel" into a relative path. Keys that the
// installer reads as properties are therefore never made equal to one of these names (nor to a
// row of the package's Property table). Property names are case-sensitive.
#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

namespace qv {

// Sorted (ASCII order) for the binary search below.
inline constexpr std::string_view kInstallerProperties[] = {
    "ACTION", "ADDDEFAULT", "ADDLOCAL", "ADDSOURCE", "ADVERTISE", "AFTERREBOOT", "ALLUSERS",
    "ARPAUTHORIZEDCDFPREFIX", "ARPCOMMENTS", "ARPCONTACT", "ARPHELPLINK", "ARPHELPTELEPHONE",
    "ARPINSTALLLOCATION", "ARPNOMODIFY", "ARPNOREMOVE", "ARPNOREPAIR", "ARPPRODUCTICON", "ARPREADME",
    "ARPSIZE", "ARPSYSTEMCOMPONENT", "ARPURLINFOABOUT", "ARPURLUPDATEINFO", "AVAILABLEFREEREG",
    "AdminProperties", "AdminToolsFolder", "AdminUser", "Alpha", "AppDataFolder", "BorderSide",
    "BorderTop", "CCP_DRIVE", "CLIENTPROCESSID", "CLIENTUILEVEL", "COMPADDDEFAULT", "COMPADDLOCAL",
    "COMPADDSOURCE", "COMPANYNAME", "CURRENTDIRECTORY", "CaptionHeight", "ColorBits",
    "CommonAppDataFolder", "CommonFiles64Folder", "CommonFilesFolder", "ComputerName", "CostingComplete", "CustomActionData",
    "DATABASE", "DISABLEADVTSHORTCUTS", "DISABLEMEDIA", "DISABLEROLLBACK", "Date", "DefaultUIFont",
    "DesktopFolder", "DiskPrompt", "EXECUTEACTION", "EXECUTEMODE", "EnableUserControl", "ErrorDialog",
    "FASTOEM", "FILEADDDEFAULT", "FILEADDLOCAL", "FILEADDSOURCE", "FavoritesFolder", "FontsFolder",
    "INSTALLLEVEL", "Installed", "Intel", "Intel64", "IsAdminPackage", "LIMITUI", "LOGACTION",
    "LeftUnit", "LocalAppDataFolder", "LogonUser", "MEDIAPACKAGEPATH", "MSIARPSETTINGSIDENTIFIER",
    "MSICHECKCRCS", "MSIDEPLOYMENTCOMPLIANT", "MSIDISABLEEEUI", "MSIDISABLELUAPATCHING",
    "MSIDISABLERMRESTART", "MSIENFORCEUPGRADECOMPONENTRULES", "MSIFASTINSTALL", "MSIINSTALLPERUSER",
    "MSIINSTANCEGUID", "MSILOGGINGMODE", "MSINEWINSTANCE", "MSINODISABLEMEDIA",
    "MSIPACKAGEDOWNLOADLOCALCOPY", "MSIPATCHDOWNLOADLOCALCOPY", "MSIPATCHREMOVE",
    "MSIRESTARTMANAGERCONTROL", "MSIRMSHUTDOWN", "MSIUNINSTALLSUPERSEDEDCOMPONENTS",
    "MSIUSEREALADMINDETECTION", "Manufacturer", "MediaSourceDir", "MsiAMD64", "MsiFileToUseToSetRoot",
    "MsiHiddenProperties", "MsiLogFileLocation", "MsiLogging", "MsiNTProductType",
    "MsiNTSuiteBackOffice", "MsiNTSuiteDataCenter", "MsiNTSuiteEnterprise", "MsiNTSuitePersonal",
    "MsiNTSuiteSmallBusiness", "MsiNTSuiteSmallBusinessRestricted", "MsiNTSuiteWebServer",
    "MsiNTTabletPC", "MsiNetAssemblySupport", "MsiPatchRemovalList", "MsiRestartManagerSessionKey",
    "MsiRunningElevated", "MsiSystemRebootPending", "MsiTabletPC", "MsiUIHideCancel",
    "MsiUIProgressOnly", "MsiUISourceResOnly", "MsiWin32AssemblySupport", "Msix64", "MyPicturesFolder",
    "NOCOMPANYNAME", "NOUSERNAME", "NetHoodFolder", "OLEAdvtSupport", "OriginalDatabase",
    "OutOfDiskSpace", "OutOfNoRbDiskSpace", "PATCH", "PATCHNEWPACKAGECODE", "PATCHNEWSUMMARYCOMMENTS",
    "PATCHNEWSUMMARYSUBJECT", "PIDKEY", "PIDTemplate", "PRIMARYFOLDER", "PROMPTROLLBACKCOST",
    "PackageCode", "PackagecodeChanging", "ParentOriginalDatabase", "ParentProductCode",
    "PersonalFolder", "PhysicalMemory", "Preselected", "PrimaryVolumePath", "PrimaryVolumeSpaceAvailable",
    "PrimaryVolumeSpaceRemaining", "PrimaryVolumeSpaceRequired", "PrintHoodFolder", "Privileged",
    "ProductCode", "ProductID", "ProductLanguage", "ProductName", "ProductState",
    "ProductToBeRegistered", "ProductVersion", "ProgramFiles64Folder", "ProgramFilesFolder",
    "ProgramMenuFolder", "QFEUpgrade", "REBOOT", "REBOOTPROMPT", "REINSTALL", "REINSTALLMODE", "REMOVE",
    "RESUME", "ROOTDRIVE", "RecentFolder", "RedirectedDllSupport", "RemoteAdminTS",
    "ReplacedInUseFiles", "RestrictedUserControl", "RollbackDisabled", "SECONDSEQUENCE", "SEQUENCE", "SHORTFILENAMES",
    "SOURCEDIR", "SOURCELIST", "ScreenX", "ScreenY", "SecureCustomProperties", "SendToFolder", "ServicePackLevel",
    "ServicePackLevelMinor", "SharedWindows", "ShellAdvtSupport", "SourceDir", "SourcedirProduct",
    "StartMenuFolder", "StartupFolder", "System16Folder", "System64Folder", "SystemFolder",
    "SystemLanguageID", "TARGETDIR", "TRANSFORMS", "TRANSFORMSATSOURCE", "TRANSFORMSSECURE",
    "TTCSupport", "TempFolder", "TemplateFolder", "TerminalServer", "TextHeight", "TextInternalLeading",
    "Time", "UILevel", "UPGRADINGPRODUCTCODE", "USERNAME", "UpdateStarted", "UpgradeCode",
    "UserLanguageID", "UserSID", "Version9X", "VersionDatabase", "VersionHandler", "VersionMsi",
    "VersionNT", "VersionNT64", "VirtualMemory", "WindowsBuild", "WindowsFolder", "WindowsVolume"};

static_assert(std::is_sorted(std::begin(kInstallerProperties), std::end(kInstallerProperties)));

// True when name is a property that the installer defines or sets itself.
inline bool IsInstallerProperty(std::string_view name) {
  return std::binary_search(std::begin(kInstallerProperties), std::end(kInstallerProperties), name);
}

}  // namespace qv
