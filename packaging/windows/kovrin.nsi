; Windows installer: the program, its bridge library, the batch tool and the manual in one
; folder under Program Files (the program looks for ubrix.dll and Manual.pdf beside
; itself), a Start-menu entry and an uninstaller listed under installed programs.
; /S installs or uninstalls silently; /D=<folder> (last on the line) picks the folder.
;
; An earlier installation is removed first (its own uninstaller, silently), and its folder is
; the default, so an upgrade replaces it in place. Neither setup nor the uninstaller goes on
; while the program runs (it holds the mutex TARVIXCONFIG): they say so and end with exit
; code 2, silent or not. The uninstaller ends with exit code 3 when a file it installed
; could not be deleted, and then keeps its entry, so it can be run again.
;
;   makensis -DVERSION=<a.b.c.d> -DBINDIR=<folder of the stripped Windows programs>
;            -DMANUAL=<Manual.pdf> -DOUTFILE=<setup .exe> [-DSIGN=<command that signs %1>] kovrin.nsi

; A 64-bit installer for 64-bit programs: the 64-bit Program Files and registry view.
Target amd64-unicode
SetCompressor /SOLID lzma

!macro Require name
  !ifndef ${name}
    !error "define ${name} on the makensis command line (-D${name}=...)"
  !endif
!macroend
!insertmacro Require VERSION
!insertmacro Require BINDIR
!insertmacro Require MANUAL
!insertmacro Require OUTFILE

!define PRODUCT "Kovrin Configurator"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kovrin"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define MANUAL_SHORTCUT "$SMPROGRAMS\Kovrin Manual.lnk"
!define FILE_TYPE "Kovrin.Configuration"
!define COMPANY "Kovrin maintainers"

; The installer and the uninstaller it writes are signed as they are made.
!ifdef SIGN
  !finalize '${SIGN}'
  !uninstfinalize '${SIGN}'
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kovrin"
; An installed copy's folder is the default: an upgrade lands where the old one was.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ManifestDPIAware true
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${COMPANY}"
VIAddVersionKey "LegalCopyright" "${COMPANY}"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The program holds this mutex while it runs (one copy per session).
!define RUNNING_MUTEX "TARVIXCONFIG"
!define RUNNING_TEXT "${PRODUCT} is running. Close it, then run this again."

!macro RefuseWhileRunning
  ; SYNCHRONIZE access is enough to see whether it exists.
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p .r0'
  ${If} $0 P<> 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_OK|MB_ICONSTOP "${RUNNING_TEXT}" /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
!macroend

; Installed for every user of the machine: the common Start menu.
Function .onInit
  SetShellVarContext all
  !insertmacro RefuseWhileRunning
FunctionEnd

Function un.onInit
  SetShellVarContext all
  !insertmacro RefuseWhileRunning
FunctionEnd

; Runs the installed copy's own uninstaller silently in its folder (_?= keeps it there and
; makes the call wait), then takes away the uninstaller, which cannot delete itself so.
Function RemovePrevious
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCmp $0 "" done
  IfFileExists "$0\uninstall.exe" 0 done
  DetailPrint "Removing the installed copy in $0"
  ExecWait '"$0\uninstall.exe" /S _?=$0' $1
  StrCmp $1 0 +2
    Abort "The installed copy in $0 could not be removed (code $1)."
  Delete "$0\uninstall.exe"
  RMDir "$0"
done:
FunctionEnd

Section "Kovrin"
  Call RemovePrevious
  SetOutPath "$INSTDIR"
  File "${BINDIR}\kovrin.exe"
  File "${BINDIR}\ubrix.dll"
  File "${BINDIR}\kovrin-cli.exe"
  File "${MANUAL}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\kovrin.exe" "" "$INSTDIR\kovrin.exe" 0

  ; .kvnf files open in the program and show its icon.
  WriteRegStr HKLM "Software\Classes\.kvnf" "" "${FILE_TYPE}"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}" "" "ATS Configuration file"
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\DefaultIcon" "" '"$INSTDIR\kovrin.exe",0'
  WriteRegStr HKLM "Software\Classes\${FILE_TYPE}\shell\open\command" "" '"$INSTDIR\kovrin.exe" "%1"'
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${COMPANY}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kovrin.exe"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there: the folder itself goes only when it is empty, so a
; user's files kept in it (or a wrong /D) are never touched.
Section "Uninstall"
  ; A file that stays (in use, no rights) fails the removal: the entry stays for a retry.
  Delete "$INSTDIR\kovrin.exe"
  Delete "$INSTDIR\ubrix.dll"
  Delete "$INSTDIR\kovrin-cli.exe"
  Delete "$INSTDIR\Manual.pdf"
  ${If} ${FileExists} "$INSTDIR\kovrin.exe"
  ${OrIf} ${FileExists} "$INSTDIR\ubrix.dll"
  ${OrIf} ${FileExists} "$INSTDIR\kovrin-cli.exe"
  ${OrIf} ${FileExists} "$INSTDIR\Manual.pdf"
    DetailPrint "Some files in $INSTDIR could not be deleted."
    MessageBox MB_OK|MB_ICONSTOP "Some files in $INSTDIR could not be deleted. Close every program that uses them, then uninstall again." /SD IDOK
    SetErrorLevel 3
    Abort
  ${EndIf}
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  ; Left from installers that offered the manual before the window shipped.
  Delete "${MANUAL_SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The extension is given back only while it is still this program's.
  ReadRegStr $0 HKLM "Software\Classes\.kvnf" ""
  StrCmp $0 "${FILE_TYPE}" 0 +2
    DeleteRegKey HKLM "Software\Classes\.kvnf"
  DeleteRegKey HKLM "Software\Classes\${FILE_TYPE}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
