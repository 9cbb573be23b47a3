; The Windows installer: the program with the Qt and MinGW libraries it needs
; under Program Files, a Start-menu shortcut that starts it in the user's
; Documents\Jotanor, and an uninstaller that leaves memo files alone.
; makensis -DSTAGE=<installed tree> -DVERSION=<x.y> -DOUTFILE=<setup.exe> jotanor.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "x64.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Jotanor"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\jotanor.exe"

Name "Jotanor"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Jotanor"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "Jotanor ${VERSION}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\bin\jotanor.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "--user-folder"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Dutch"

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "Jotanor"
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; Started from the menu, the program makes and moves to the user's own
  ; Documents\Jotanor (--user-folder) and keeps its memo file there.
  SetOutPath "$INSTDIR\bin"
  CreateShortcut "$SMPROGRAMS\Jotanor.lnk" "$INSTDIR\bin\jotanor.exe" "--user-folder" \
                 "$INSTDIR\bin\jotanor.exe" 0 SW_SHOWNORMAL "" "Dagboek met korte memo's"

  ; "start jotanor" from a command prompt finds the program.
  WriteRegStr HKLM "${APP_PATHS_KEY}" "" "$INSTDIR\bin\jotanor.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Jotanor"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Jotanor developers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\bin\jotanor.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

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
  DeleteRegKey HKLM "${APP_PATHS_KEY}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
