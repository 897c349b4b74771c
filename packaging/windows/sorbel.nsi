; The Windows installer: Sorbel into Program Files, a Start-menu folder, an uninstaller that
; Windows lists. Built by the Windows build (cmake/windows-build.cmake), which passes
;   VERSION   the program's version (x.y.z)
;   BUILD_DIR the folder holding sorbel-filter.exe (and sorbel.exe)
;   DSN       the shipped data source description
;   OUTFILE   the installer to write
; The window program sorbel.exe goes in when the build folder holds it.
Unicode true
; The programs are 64-bit only; a 64-bit installer also sees the 64-bit registry and folders.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel admin

!include MUI2.nsh
!include FileFunc.nsh

!define PRODUCT "Sorbel"
!define PUBLISHER "Sorbel developers"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Sorbel"
!if /FileExists "${BUILD_DIR}/sorbel.exe"
  !define WINDOW
!endif

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Sorbel"
; A reinstall goes where the last one went.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1041 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1041 "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=1041 "LegalCopyright" "© 2026 ${PUBLISHER}"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef WINDOW
  !define MUI_FINISHPAGE_RUN "$INSTDIR\sorbel.exe"
!endif
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

; Shortcuts for every user, as the program is installed for every user.
Function .onInit
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetShellVarContext all
FunctionEnd

Section "Sorbel" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${BUILD_DIR}/sorbel-filter.exe"
!ifdef WINDOW
  File "${BUILD_DIR}/sorbel.exe"
!endif
  ; The shipped description goes in data\, never beside the programs: there it would make them
  ; a portable copy working (and writing) in Program Files. Each user gets a copy of it in
  ; Documents\Sorbel on first use.
  SetOutPath "$INSTDIR\data"
  File "/oname=datasource.dsn" "${DSN}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Sorbel"
!ifdef WINDOW
  CreateShortCut "$SMPROGRAMS\Sorbel\Sorbel.lnk" "$INSTDIR\sorbel.exe"
!else
  ; Only the command-line program so far: the folder that holds it, to open a prompt there.
  CreateShortCut "$SMPROGRAMS\Sorbel\Sorbel のフォルダー.lnk" "$INSTDIR"
!endif
  CreateShortCut "$SMPROGRAMS\Sorbel\Sorbel のアンインストール.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
!ifdef WINDOW
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\sorbel.exe"
!endif
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Removes what the installer put there, by name: anything else in the folder (and the users'
; Documents\Sorbel, with their results and descriptions) stays.
Section "Uninstall"
  Delete "$INSTDIR\sorbel-filter.exe"
  Delete "$INSTDIR\sorbel.exe"
  Delete "$INSTDIR\data\datasource.dsn"
  RMDir "$INSTDIR\data"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Sorbel\Sorbel.lnk"
  Delete "$SMPROGRAMS\Sorbel\Sorbel のフォルダー.lnk"
  Delete "$SMPROGRAMS\Sorbel\Sorbel のアンインストール.lnk"
  RMDir "$SMPROGRAMS\Sorbel"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
