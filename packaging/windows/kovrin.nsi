; Windows installer: the program, its bridge library, the batch tool and the manual in one
; folder under Program Files (the program looks for ubrix.dll and Manual.pdf beside
; itself), a Start-menu entry and an uninstaller listed under installed programs.
; /S installs or uninstalls silently; /D=<folder> (last on the line) picks the folder.
;
;   makensis -DVERSION=1.5.1.0 -DBINDIR=<folder of the Windows binaries>
;            -DMANUAL=<Manual.pdf> -DOUTFILE=<setup .exe> kovrin.nsi
;
; kovrin.exe is taken when BINDIR holds it, so the installer builds before the window does.

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

!include "MUI2.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Kovrin"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Kovrin maintainers"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Installed for every user of the machine: the common Start menu.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Kovrin"
  SetOutPath "$INSTDIR"
!if /FileExists "${BINDIR}\kovrin.exe"
  File "${BINDIR}\kovrin.exe"
  !define HAVE_WINDOW
!endif
  File "${BINDIR}\ubrix.dll"
  File "${BINDIR}\kovrin-cli.exe"
  File "${MANUAL}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

!ifdef HAVE_WINDOW
  CreateShortcut "${SHORTCUT}" "$INSTDIR\kovrin.exe" "" "$INSTDIR\kovrin.exe" 0
!else
  ; Until the window ships, the Start menu offers the manual.
  CreateShortcut "${MANUAL_SHORTCUT}" "$INSTDIR\Manual.pdf"
!endif

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Kovrin maintainers"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
!ifdef HAVE_WINDOW
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kovrin.exe"
!endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Only what the installer put there: the folder itself goes only when it is empty, so a
; user's files kept in it (or a wrong /D) are never touched.
Section "Uninstall"
  Delete "$INSTDIR\kovrin.exe"
  Delete "$INSTDIR\ubrix.dll"
  Delete "$INSTDIR\kovrin-cli.exe"
  Delete "$INSTDIR\Manual.pdf"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  Delete "${MANUAL_SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
