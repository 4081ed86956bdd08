// Control, command and message ids of the main window.
#pragma once

namespace shell_ids {

// Page buttons, in page order.
constexpr unsigned kHomePage = 1176;
constexpr unsigned kCommonPage = 1003;
constexpr unsigned kAllPage = 1004;
constexpr unsigned kUpgradePage = 1005;
constexpr unsigned kUninstallPage = 1006;

constexpr unsigned kDownloadDir = 1000;
constexpr unsigned kSettings = 1001;
constexpr unsigned kMinimise = 1011;
constexpr unsigned kMaximise = 1012;
constexpr unsigned kClose = 1013;
constexpr unsigned kMoreSoftware = 1024;
constexpr unsigned kQuickAntivirus = 1084;
constexpr unsigned kQuickGuard = 1086;
constexpr unsigned kProductLaunch = 1075;
constexpr unsigned kUserButton = 1146;  // the logged-in user's face; opens the user panel
constexpr unsigned kSearchButton = 1148;
constexpr unsigned kSearchEdit = 1147;
constexpr unsigned kStatusLabel1 = 1200;
constexpr unsigned kStatusLabel2 = 1201;
constexpr unsigned kVersionLabel = 1202;

// Settings menu of 1001 and the download-folder menu command.
constexpr unsigned kMenuOftenSoft = 32776;
constexpr unsigned kMenuOftenSites = 32777;
constexpr unsigned kMenuAssociations = 32779;
constexpr unsigned kMenuSystem = 32780;
constexpr unsigned kMenuDownloadDir = 32781;

// Tray menu.
constexpr unsigned kTrayExit = 504;
constexpr unsigned kTrayOpen = 505;
constexpr unsigned kTrayStartup = 506;
constexpr unsigned kTraySettings = 507;
constexpr unsigned kTraySwitchUser = 508;
constexpr unsigned kTrayIconId = 0x401;

// Window messages.
constexpr unsigned kTimerMain = 105;
constexpr unsigned kMsgTray = 0x40D;
constexpr unsigned kMsgAskedDownload = 0x41B;
constexpr unsigned kMsgAskedInstall = 0x41C;
constexpr unsigned kMsgShowAllDownloads = 0x9E0;
constexpr unsigned kMsgStartUpdater = 0x9E8;
constexpr unsigned kMsgUpdateCancelled = 0x9E9;
constexpr unsigned kMsgRefreshDownloads = 0x9EA;
constexpr unsigned kMsgRefreshPage = 0x9EB;
constexpr unsigned kMsgUpgradeCount = 0x9EC;
constexpr unsigned kMsgChooserClosed = 0x9ED;
constexpr unsigned kMsgChooserWantsManager = 0x9EE;
constexpr unsigned kMsgPageDownload = 0x9EF;
constexpr unsigned kMsgLoggedIn = 2551;
constexpr unsigned kMsgLoggedOut = 2553;
constexpr unsigned kMsgClearSearchHint = 0x9FA;
constexpr unsigned kMsgSettingsSaved = 0x9FB;
constexpr unsigned kMsgResetPager = 0xB98;
// Forwarded command line of a second start (the text travels beside the message).
constexpr unsigned kMsgCopyData = 0x004A;

}  // namespace shell_ids
