; Velmora's Windows installer: a per-user install (no administrator rights) into the user's local
; programs folder, with a Start-menu shortcut and an uninstaller registered for the current user.
; makensis -DVERSION=x.y.z -DARCH=i686|x86_64 -DSTAGE=<folder with velmora.exe and sample.jpg>
;          -DOUTFILE=<setup.exe> velmora.nsi

Unicode true
!if "${ARCH}" == "x86_64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "Velmora"
!define PUBLISHER "Norvect Software"
!define GADGET_CLASS "VelmoraClass"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Norvect Software\Velmora Desktop Gadget"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Velmora"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Velmora Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\velmora.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(StartNow)"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "English"

LangString StartNow ${LANG_SIMPCHINESE} "立即启动 Velmora"
LangString StartNow ${LANG_ENGLISH} "Start Velmora now"
LangString RemoveSettings ${LANG_SIMPCHINESE} "删除我的 Velmora 设置"
LangString RemoveSettings ${LANG_ENGLISH} "Remove my Velmora settings"
LangString RemoveSettingsText ${LANG_SIMPCHINESE} "同时删除 Velmora 保存在注册表中的大小、位置和动作设置。"
LangString RemoveSettingsText ${LANG_ENGLISH} "Also remove the size, position and action settings Velmora keeps in the registry."
LangString StillRunning ${LANG_SIMPCHINESE} "Velmora 仍在运行。请关闭它后重试。"
LangString StillRunning ${LANG_ENGLISH} "Velmora is still running. Please close it and try again."

; Asks a running gadget to close and waits up to five seconds for its window to go.
!macro CloseRunningGadget UN
Function ${UN}CloseRunningGadget
  StrCpy $1 0
  loop:
    FindWindow $0 "${GADGET_CLASS}"
    ${If} $0 == 0
      Return
    ${EndIf}
    ${If} $1 == 0
      SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=2000
    ${EndIf}
    IntOp $1 $1 + 1
    ${If} $1 > 50
      IfSilent +2
      MessageBox MB_ICONEXCLAMATION|MB_OK "$(StillRunning)"
      Abort
    ${EndIf}
    Sleep 100
    Goto loop
FunctionEnd
!macroend
!insertmacro CloseRunningGadget ""
!insertmacro CloseRunningGadget "un."

Function .onInit
  SetShellVarContext current
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "Velmora" SecMain
  SectionIn RO
  SetShellVarContext current
  Call CloseRunningGadget
  SetOutPath "$INSTDIR"
  File "${STAGE}\velmora.exe"
  File "${STAGE}\sample.jpg"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Velmora.lnk" "$INSTDIR\velmora.exe" "" "$INSTDIR\velmora.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velmora.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Function un.onInit
  SetShellVarContext current
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "-un.Velmora"
  SetShellVarContext current
  Call un.CloseRunningGadget
  Delete "$INSTDIR\velmora.exe"
  Delete "$INSTDIR\sample.jpg"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Velmora.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
SectionEnd

; Unticked unless the user asks for it, so a silent uninstall keeps the settings.
Section /o "un.$(RemoveSettings)" UnSecSettings
  DeleteRegKey HKCU "${SETTINGS_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Norvect Software"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} "$(RemoveSettingsText)"
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
