; The Windows installer: the programs and their runtime into Program Files,
; Start-menu entries for the console and the uninstaller, and an entry in
; Apps & features. The user's settings and day files live in the KZRT folder
; of their profile (the console's --home-folder) and are never touched here.
; makensis -DVERSION=… -DSOURCE=<the zip's folder> -DFILES=<uninstall list> -DOUTFILE=… kzrt-console.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define PRODUCT "KZRT Console"
!define PUBLISHER "kzrt-console maintainers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MENU "$SMPROGRAMS\${PRODUCT}"
; Exit codes a roll-out script can tell apart (/S shows no message).
!define EXIT_BUSY 3

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Says why nothing was changed, and ends with EXIT_BUSY.
!macro Refuse text
  MessageBox MB_ICONSTOP|MB_OK "${text}" /SD IDOK
  SetErrorLevel ${EXIT_BUSY}
  Quit
!macroend

; A program that is running cannot have its file opened for writing. All
; are checked before anything is changed, so nothing is half-replaced.
!macro ProgramsInUse un
Function ${un}ProgramsInUse  ; folder on the stack; leaves the name of a running program, or ""
  Exch $0
  Push $1
  Push $2
  StrCpy $2 ""
  ${If} ${FileExists} "$0\kzrt-console.exe"
    ClearErrors
    FileOpen $1 "$0\kzrt-console.exe" a
    ${If} ${Errors}
      StrCpy $2 "kzrt-console.exe"
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
  ${If} $2 == ""
  ${AndIf} ${FileExists} "$0\kzrt-record.exe"
    ClearErrors
    FileOpen $1 "$0\kzrt-record.exe" a
    ${If} ${Errors}
      StrCpy $2 "kzrt-record.exe"
    ${Else}
      FileClose $1
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
  Exch $2
FunctionEnd
!macroend
!insertmacro ProgramsInUse ""
!insertmacro ProgramsInUse "un."

; One setup at a time: a second one would replace files under the first.
!macro OnlyOneSetup
  System::Call 'kernel32::CreateMutexW(p 0, i 1, w "kzrt-console-setup") p .r0 ?e'
  Pop $1
  ${If} $1 == 183  ; ERROR_ALREADY_EXISTS
    !insertmacro Refuse "Another ${PRODUCT} setup is running. Let it finish first; nothing was changed."
  ${EndIf}
!macroend

!macro RefuseWhileRunning folder
  Push "${folder}"
  Call ${un}ProgramsInUse
  Pop $0
  ${If} $0 != ""
    !insertmacro Refuse "$0 is running from ${folder}. Close it (and stop any recorder), then run this again; nothing was changed."
  ${EndIf}
!macroend

Function .onInit
  SetShellVarContext all
  SetRegView 64
  !insertmacro OnlyOneSetup
  !define un ""
  !insertmacro RefuseWhileRunning "$INSTDIR"
  !undef un
FunctionEnd

Section "Install"
  ; The folder may have been changed on the directory page.
  !define un ""
  !insertmacro RefuseWhileRunning "$INSTDIR"
  !undef un
  ; An earlier version goes first, by its own uninstaller, so that no file
  ; it had and this one has not stays behind.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\uninstall.exe"
    ExecWait '"$0\uninstall.exe" /S /upgrade _?=$0' $1
    ${If} $1 != 0
      Abort "The installed version in $0 could not be removed (exit $1)."
    ${EndIf}
    Delete "$0\uninstall.exe"
    RMDir "$0"
  ${EndIf}

  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "${MENU}"
  ; The console works in %USERPROFILE%\KZRT (--home-folder): its settings
  ; and day files go there, never into Program Files.
  SetOutPath "$INSTDIR"
  CreateShortCut "${MENU}\${PRODUCT}.lnk" "$INSTDIR\kzrt-console.exe" "--home-folder" "$INSTDIR\kzrt-console.exe" 0
  CreateShortCut "${MENU}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kzrt-console.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
SectionEnd

Function un.onInit
  SetShellVarContext all
  SetRegView 64
  ; An upgrade's setup runs this while it holds the one-setup lock.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/upgrade" $1
  ${If} ${Errors}
    !insertmacro OnlyOneSetup
  ${EndIf}
  !define un "un."
  !insertmacro RefuseWhileRunning "$INSTDIR"
  !undef un
FunctionEnd

; Only what was installed goes: a file the user put beside the programs stays,
; and so does the folder holding it.
Section "Uninstall"
  Delete "${MENU}\${PRODUCT}.lnk"
  Delete "${MENU}\Uninstall ${PRODUCT}.lnk"
  RMDir "${MENU}"
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
