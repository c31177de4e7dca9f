; The installer: puts Brennahold.exe and its help files into Program Files, lets the program write
; its desktop shortcut, and registers an uninstaller that undoes both. Silent with /S.
; makensis /DVERSION=x.y.z /DBINDIR=<folder with the program and help> /DOUTFILE=<setup.exe>
Unicode true
!include LogicLib.nsh

!ifndef VERSION
  !define VERSION "0.0.0"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Brennahold"

Name "Brennahold"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Brennahold"
; The shortcut goes on the all users' desktop and the uninstall entry under HKLM.
RequestExecutionLevel admin
SetCompressor /SOLID lzma

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Brennahold"
  SetOutPath "$INSTDIR"
  File "${BINDIR}\Brennahold.exe"
  File /nonfatal "${BINDIR}\Brennahold.chm"
  File /nonfatal "${BINDIR}\Brennahold.ja.chm"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The program writes its own shortcut; a failure leaves nothing half-installed behind.
  ClearErrors
  ExecWait '"$INSTDIR\Brennahold.exe" /SetupCommit' $0
  ${If} ${Errors}
  ${OrIf} $0 <> 0
    MessageBox MB_OK|MB_ICONSTOP "Brennahold could not write its desktop shortcut (Brennahold.exe /SetupCommit failed, exit code $0). Nothing was installed." /SD IDOK
    Delete "$INSTDIR\uninstall.exe"
    Delete "$INSTDIR\Brennahold.ja.chm"
    Delete "$INSTDIR\Brennahold.chm"
    Delete "$INSTDIR\Brennahold.exe"
    RMDir "$INSTDIR"
    SetErrorLevel 3
    Abort
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Brennahold"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Orvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Brennahold.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; The program removes the shortcut it wrote; the files go whatever it answers.
  ExecWait '"$INSTDIR\Brennahold.exe" /Uninstall' $0
  Delete "$INSTDIR\Brennahold.exe"
  Delete "$INSTDIR\Brennahold.chm"
  Delete "$INSTDIR\Brennahold.ja.chm"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
