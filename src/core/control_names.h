#pragma once

namespace tervolen::controls {

// The object names of the window's controls: the names the design table, the window and the logic address them
// by. They are the system's own (the language files and users' habits rely on them), so they stay as they are;
// a name written here once turns a typo anywhere else into a compile error.

inline constexpr const char* GradientHeaderPanel = "GradientHeaderPanel";
inline constexpr const char* btnHide = "btnHide";
inline constexpr const char* btnFechar = "btnFechar";
inline constexpr const char* TabActions = "TabActions";
inline constexpr const char* LbStartBackup = "LbStartBackup";
inline constexpr const char* LbClose = "LbClose";
inline constexpr const char* TabLanguage = "TabLanguage";
inline constexpr const char* LbEng = "LbEng";
inline constexpr const char* LbPort = "LbPort";
inline constexpr const char* LbDeu = "LbDeu";
inline constexpr const char* LbSpanol = "LbSpanol";
inline constexpr const char* LbRus = "LbRus";
inline constexpr const char* TabHelp = "TabHelp";
inline constexpr const char* LbHelpTopic = "LbHelpTopic";
inline constexpr const char* LbGetInterBase = "LbGetInterBase";
inline constexpr const char* LbGetInterBaseFree = "LbGetInterBaseFree";
inline constexpr const char* LbGetFirebird = "LbGetFirebird";
inline constexpr const char* LbAbout = "LbAbout";
inline constexpr const char* TabSchedule = "TabSchedule";
inline constexpr const char* eBase = "eBase";
inline constexpr const char* eDirBackup = "eDirBackup";
inline constexpr const char* GroupSchedules = "GroupSchedules";
inline constexpr const char* clbSemana = "clbSemana";
inline constexpr const char* clbHorarios = "clbHorarios";
inline constexpr const char* ChkBoxCatchUp = "ChkBoxCatchUp";
inline constexpr const char* GroupMirrors = "GroupMirrors";
inline constexpr const char* JvTransparentButton3 = "JvTransparentButton3";
inline constexpr const char* JvTransparentButton4 = "JvTransparentButton4";
inline constexpr const char* MirrorListView = "MirrorListView";
inline constexpr const char* TranspButOkSchedule = "TranspButOkSchedule";
inline constexpr const char* RollOut = "RollOut";
inline constexpr const char* GroupVersion = "GroupVersion";
inline constexpr const char* CB_ChooseSGDBVer = "CB_ChooseSGDBVer";
inline constexpr const char* GroupProtocol = "GroupProtocol";
inline constexpr const char* CB_Protocol = "CB_Protocol";
inline constexpr const char* GroupServer = "GroupServer";
inline constexpr const char* EdServerName = "EdServerName";
inline constexpr const char* GroupLibrary = "GroupLibrary";
inline constexpr const char* ClientLibFilenameEdit = "ClientLibFilenameEdit";
inline constexpr const char* GroupSecurity = "GroupSecurity";
inline constexpr const char* EdUserName = "EdUserName";
inline constexpr const char* EdPswd = "EdPswd";
inline constexpr const char* GroupOutput = "GroupOutput";
inline constexpr const char* CheckVerbose = "CheckVerbose";
inline constexpr const char* GroupExtension = "GroupExtension";
inline constexpr const char* CB_BkpExt = "CB_BkpExt";
inline constexpr const char* GroupLog = "GroupLog";
inline constexpr const char* CheckBackupLog = "CheckBackupLog";
inline constexpr const char* LogFileEdit = "LogFileEdit";
inline constexpr const char* GroupMail = "GroupMail";
inline constexpr const char* ledHost = "ledHost";
inline constexpr const char* ledFrom = "ledFrom";
inline constexpr const char* ledTo = "ledTo";
inline constexpr const char* ledCC = "ledCC";
inline constexpr const char* EdSMTPUser = "EdSMTPUser";
inline constexpr const char* EdSMTPpswd = "EdSMTPpswd";
inline constexpr const char* EdSMTPPort = "EdSMTPPort";
inline constexpr const char* CBSMTPSecurity = "CBSMTPSecurity";
inline constexpr const char* EdSMTPCAFile = "EdSMTPCAFile";
inline constexpr const char* LbMailAdvice = "LbMailAdvice";
inline constexpr const char* ChkBoxBkpMail = "ChkBoxBkpMail";
inline constexpr const char* GroupFtp = "GroupFtp";
inline constexpr const char* LedFTPAdress = "LedFTPAdress";
inline constexpr const char* LedUserName = "LedUserName";
inline constexpr const char* LedPassword = "LedPassword";
inline constexpr const char* LedFTPPort = "LedFTPPort";
inline constexpr const char* ChkBoxSentFTP = "ChkBoxSentFTP";
inline constexpr const char* TabRestore = "TabRestore";
inline constexpr const char* EditGBK = "EditGBK";
inline constexpr const char* EditRestore = "EditRestore";
inline constexpr const char* GroupRestoreOptions = "GroupRestoreOptions";
inline constexpr const char* clListaRestore = "clListaRestore";
inline constexpr const char* LabeledEdPageSize = "LabeledEdPageSize";
inline constexpr const char* InitRestore = "InitRestore";
inline constexpr const char* TabValidation = "TabValidation";
inline constexpr const char* DBValidateEdit = "DBValidateEdit";
inline constexpr const char* GroupValidateOptions = "GroupValidateOptions";
inline constexpr const char* clListaValidation = "clListaValidation";
inline constexpr const char* ValidateBufferEdit = "ValidateBufferEdit";
inline constexpr const char* JvTranspValidation = "JvTranspValidation";
inline constexpr const char* TabConfig = "TabConfig";
inline constexpr const char* GroupBackupConfig = "GroupBackupConfig";
inline constexpr const char* clListaBackup = "clListaBackup";
inline constexpr const char* GroupCompression = "GroupCompression";
inline constexpr const char* ChkBoxCompress = "ChkBoxCompress";
inline constexpr const char* CBCompMetho = "CBCompMetho";
inline constexpr const char* CBCompMethoLevel = "CBCompMethoLevel";
inline constexpr const char* SECompThreads = "SECompThreads";
inline constexpr const char* ChkBoxEncrypt = "ChkBoxEncrypt";
inline constexpr const char* EdArchivePswd = "EdArchivePswd";
inline constexpr const char* EdArchivePswdAgain = "EdArchivePswdAgain";
inline constexpr const char* TranspButOKConfig = "TranspButOKConfig";
inline constexpr const char* TabMonitor = "TabMonitor";
inline constexpr const char* BtSaveBkpLog = "BtSaveBkpLog";
inline constexpr const char* LED = "LED";
inline constexpr const char* reStatus = "reStatus";
inline constexpr const char* LbInfo = "LbInfo";
inline constexpr const char* AppLaunch = "AppLaunch";
inline constexpr const char* StartBackup1 = "StartBackup1";
inline constexpr const char* MenuItem1 = "MenuItem1";
inline constexpr const char* About1 = "About1";
inline constexpr const char* FrmPrincipal = "FrmPrincipal";
inline constexpr const char* FrmSobre = "FrmSobre";
inline constexpr const char* JvgPageControl2 = "JvgPageControl2";
inline constexpr const char* PageControl = "PageControl";
inline constexpr const char* Panel1 = "Panel1";
inline constexpr const char* Panel2 = "Panel2";
inline constexpr const char* PopupMenu = "PopupMenu";
inline constexpr const char* TrayIcon = "TrayIcon";
inline constexpr const char* CompressionProgress = "CompressionProgress";
inline constexpr const char* frmFIBDBLoginDlg = "frmFIBDBLoginDlg";
inline constexpr const char* SP = "SP";
inline constexpr const char* Timer = "Timer";

// The FTP group's security and passive-mode fields.
inline constexpr const char* CBFTPSecurity = "CBFTPSecurity";
inline constexpr const char* ChkBoxFTPPassive = "ChkBoxFTPPassive";
inline constexpr const char* LedFTPFolder = "LedFTPFolder";
inline constexpr const char* LedFTPCAFile = "LedFTPCAFile";
inline constexpr const char* GroupRetention = "GroupRetention";
inline constexpr const char* SpinKeepLast = "SpinKeepLast";
inline constexpr const char* SpinKeepDaily = "SpinKeepDaily";
inline constexpr const char* SpinKeepWeekly = "SpinKeepWeekly";
inline constexpr const char* SpinKeepMonthly = "SpinKeepMonthly";
inline constexpr const char* SpinKeepYearly = "SpinKeepYearly";
inline constexpr const char* BtnRetentionPreview = "BtnRetentionPreview";
// The Verify and Alerts groups of the Config page.
inline constexpr const char* GroupVerify = "GroupVerify";
inline constexpr const char* ChkBoxVerifyRestore = "ChkBoxVerifyRestore";
inline constexpr const char* EdVerifyFolder = "EdVerifyFolder";
inline constexpr const char* GroupAlerts = "GroupAlerts";
inline constexpr const char* ChkBoxMailOnFailure = "ChkBoxMailOnFailure";
inline constexpr const char* ChkBoxMailOnSuccess = "ChkBoxMailOnSuccess";
inline constexpr const char* EdAlertCommand = "EdAlertCommand";
inline constexpr const char* ChkBoxAutostart = "ChkBoxAutostart";

// The connection tests beside the server, e-mail and FTP fields.
inline constexpr const char* BtnTestConnection = "BtnTestConnection";
inline constexpr const char* BtnTestMail = "BtnTestMail";
inline constexpr const char* BtnTestFtp = "BtnTestFtp";

// The about box's Close button.
inline constexpr const char* BtnAboutClose = "BtnAboutClose";

} // namespace tervolen::controls
