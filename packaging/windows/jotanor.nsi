; The Windows installer: the program with the Qt and MinGW libraries it needs,
; for everyone (under Program Files, with administrator rights) or for the
; user alone (in the user's own programs folder, without them); a Start-menu
; shortcut that starts it in the user's Documents\Jotanor, memo files (.mem)
; that open in it, jotanor-cli on the PATH, and an uninstaller that leaves
; memo files alone. Neither installs nor uninstalls while the program runs.
; makensis -DSTAGE=<installed tree> -DVERSION=<x.y> -DICON=<.ico> -DOUTFILE=<setup.exe> jotanor.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Jotanor"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\jotanor.exe"
!define PROGID "Jotanor.MemoFile"
!define CLASSES "Software\Classes"
!define MACHINE_ENVIRONMENT "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

; For everyone or for me: an administrator is asked (and may choose on the
; command line with /AllUsers or /CurrentUser); anyone else installs for
; themselves without being asked for rights.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "Jotanor"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
; The uninstaller finds its scope from where it lies (un.onInit).
!define MULTIUSER_NOUNINSTALL
!include "MultiUser.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"
!include "WinMessages.nsh"
!include "x64.nsh"

Name "Jotanor"
OutFile "${OUTFILE}"
BrandingText "Jotanor ${VERSION}"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1043 "ProductName" "Jotanor"
VIAddVersionKey /LANG=1043 "CompanyName" "Jotanor developers"
VIAddVersionKey /LANG=1043 "FileDescription" "Installatie van Jotanor"
VIAddVersionKey /LANG=1043 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1043 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1043 "LegalCopyright" "(c) 2026 Jotanor developers"

Var Scope  ; the uninstaller's: AllUsers or CurrentUser

!insertmacro MULTIUSER_PAGE_INSTALLMODE
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\bin\jotanor.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "--user-folder"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Dutch"

; A running program keeps its exe (and the libraries it loaded) from being
; replaced or removed: Windows refuses to open the exe of a running program
; for writing. $0 becomes the name of the exe in use, or "".
!macro InUse un
Function ${un}InUse
  Push $1
  StrCpy $0 ""
  ${If} ${FileExists} "$INSTDIR\bin\jotanor-cli.exe"
    ClearErrors
    FileOpen $1 "$INSTDIR\bin\jotanor-cli.exe" a
    ${If} ${Errors}
      StrCpy $0 "jotanor-cli.exe"
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\bin\jotanor.exe"
    ClearErrors
    FileOpen $1 "$INSTDIR\bin\jotanor.exe" a
    ${If} ${Errors}
      StrCpy $0 "jotanor.exe"
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
  Pop $1
FunctionEnd

; Asks the user to close the program until it is closed; cancelled, or
; without asking (/S), ends with exit code 2 before anything has changed.
Function ${un}WaitUntilClosed
  Push $0
  ${Do}
    Call ${un}InUse
    ${If} $0 == ""
      ${Break}
    ${EndIf}
    ${If} ${Silent}
      SetErrorLevel 2
      Quit
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Jotanor is nog geopend ($INSTDIR\bin\$0).$\r$\n$\r$\nSluit het programma en probeer het opnieuw." \
      IDRETRY retry
    SetErrorLevel 2
    Quit
    retry:
  ${Loop}
  Pop $0
FunctionEnd
!macroend
!insertmacro InUse ""
!insertmacro InUse "un."

; The PATH of the scope: $R0 its text; $R1 "" when it may be changed, or
; "long" when it holds more than this installer can read whole, and is left
; alone rather than cut short.
!macro ReadPath ROOT KEY
  ClearErrors
  ReadRegStr $R0 ${ROOT} "${KEY}" "Path"
  StrCpy $R1 ""
  ${If} ${Errors}
    ; Either missing or too long: only a missing one may be written.
    StrCpy $R2 0
    ${Do}
      EnumRegValue $R3 ${ROOT} "${KEY}" $R2
      ${IfThen} $R3 == "" ${|} ${ExitDo} ${|}
      ${IfThen} $R3 == "Path" ${|} StrCpy $R1 "long" ${|}
      IntOp $R2 $R2 + 1
    ${Loop}
  ${EndIf}
!macroend

; Adds (+) or removes (-) $INSTDIR\bin in the PATH of the scope.
!macro ChangePath ROOT KEY SIGN
  !insertmacro ReadPath ${ROOT} "${KEY}"
  ${If} $R1 == ""
    ${WordAdd} "$R0" ";" "${SIGN}$INSTDIR\bin" $R2
    StrLen $R3 $R2
    ${If} $R2 != $R0
    ${AndIf} $R3 < 1000
      ${If} $R2 == ""
        DeleteRegValue ${ROOT} "${KEY}" "Path"
      ${Else}
        WriteRegExpandStr ${ROOT} "${KEY}" "Path" $R2
      ${EndIf}
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${Else}
    DetailPrint "Het zoekpad (PATH) is te lang om te wijzigen; jotanor-cli staat in $INSTDIR\bin."
  ${EndIf}
!macroend

Function .onInit
  SetRegView 64
  StrCpy $0 $INSTDIR  ; from /D=
  !insertmacro MULTIUSER_INIT
  ${If} $0 != ""
    StrCpy $INSTDIR $0
  ${EndIf}
  ${If} ${Silent}
    Call WaitUntilClosed
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call WaitUntilClosed
FunctionEnd

; The program started from the finish page runs with the installer's rights:
; an installer an administrator runs elevated offers no such start.
Function FinishShow
  ${If} $MultiUser.Privileges == "Admin"
  ${OrIf} $MultiUser.Privileges == "Power"
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

Section "Jotanor"
  Call WaitUntilClosed
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Started from the menu, the program makes and moves to the user's own
  ; Documents\Jotanor (--user-folder) and keeps its memo file there.
  SetOutPath "$INSTDIR\bin"
  CreateShortcut "$SMPROGRAMS\Jotanor.lnk" "$INSTDIR\bin\jotanor.exe" "--user-folder" \
                 "$INSTDIR\bin\jotanor.exe" 0 SW_SHOWNORMAL "" "Dagboek met korte memo's"

  ; "start jotanor" finds the program; "jotanor-cli" is on the PATH.
  WriteRegStr SHCTX "${APP_PATHS_KEY}" "" "$INSTDIR\bin\jotanor.exe"
  ${If} $MultiUser.InstallMode == "AllUsers"
    !insertmacro ChangePath HKLM "${MACHINE_ENVIRONMENT}" "+"
  ${Else}
    !insertmacro ChangePath HKCU "Environment" "+"
  ${EndIf}

  ; Memo files open in the program by a double click and offer it under
  ; "Open with"; a .mem type that another program owns keeps its owner.
  WriteRegStr SHCTX "${CLASSES}\${PROGID}" "" "Jotanor-memobestand"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\DefaultIcon" "" "$INSTDIR\bin\jotanor.exe,0"
  WriteRegStr SHCTX "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\bin\jotanor.exe" "%1"'
  WriteRegStr SHCTX "${CLASSES}\.mem\OpenWithProgids" "${PROGID}" ""
  ReadRegStr $0 SHCTX "${CLASSES}\.mem" ""
  ${If} $0 == ""
    WriteRegStr SHCTX "${CLASSES}\.mem" "" "${PROGID}"
  ${EndIf}
  WriteRegStr SHCTX "${CLASSES}\Applications\jotanor.exe" "FriendlyAppName" "Jotanor"
  WriteRegStr SHCTX "${CLASSES}\Applications\jotanor.exe\SupportedTypes" ".mem" ""
  WriteRegStr SHCTX "${CLASSES}\Applications\jotanor.exe\shell\open\command" "" '"$INSTDIR\bin\jotanor.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Jotanor"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Jotanor developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bin\jotanor.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The scope of the installation this uninstaller belongs to: for everyone
; when the machine's list names its folder. Removing that one takes an
; administrator.
Function un.onInit
  SetRegView 64
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $Scope "AllUsers"
    SetShellVarContext all
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "Jotanor is voor alle gebruikers geïnstalleerd; alleen een beheerder kan het verwijderen." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${Else}
    StrCpy $Scope "CurrentUser"
    SetShellVarContext current
  ${EndIf}
  Call un.WaitUntilClosed
FunctionEnd

!macro RemovePlugins folder
  Delete "$INSTDIR\bin\${folder}\*.dll"
  RMDir "$INSTDIR\bin\${folder}"
!macroend

; Only what the installer put there goes: memo files and settings that a
; user keeps beside the program stay, and so do their folders.
Section "Uninstall"
  Delete "$SMPROGRAMS\Jotanor.lnk"
  Delete "$INSTDIR\bin\jotanor.exe"
  Delete "$INSTDIR\bin\jotanor-cli.exe"
  Delete "$INSTDIR\bin\*.dll"
  !insertmacro RemovePlugins platforms
  !insertmacro RemovePlugins styles
  Delete "$INSTDIR\bin\translations\qtbase_nl.qm"
  RMDir "$INSTDIR\bin\translations"
  Delete "$INSTDIR\share\jotanor\memohelp.rtf"
  Delete "$INSTDIR\share\jotanor\chimes.wav"
  Delete "$INSTDIR\share\jotanor\vukman.wav"
  RMDir "$INSTDIR\share\jotanor"
  RMDir /r "$INSTDIR\share\libical\zoneinfo"
  RMDir "$INSTDIR\share\libical"
  RMDir "$INSTDIR\share"
  RMDir "$INSTDIR\bin"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  ${If} $Scope == "AllUsers"
    !insertmacro ChangePath HKLM "${MACHINE_ENVIRONMENT}" "-"
  ${Else}
    !insertmacro ChangePath HKCU "Environment" "-"
  ${EndIf}
  ReadRegStr $0 SHCTX "${CLASSES}\.mem" ""
  ${If} $0 == "${PROGID}"
    DeleteRegValue SHCTX "${CLASSES}\.mem" ""
  ${EndIf}
  DeleteRegValue SHCTX "${CLASSES}\.mem\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.mem\OpenWithProgids"
  DeleteRegKey /ifempty SHCTX "${CLASSES}\.mem"
  DeleteRegKey SHCTX "${CLASSES}\${PROGID}"
  DeleteRegKey SHCTX "${CLASSES}\Applications\jotanor.exe"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
  DeleteRegKey SHCTX "${APP_PATHS_KEY}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
