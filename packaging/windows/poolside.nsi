; The Windows installer of Poolside (NSIS 3). The windows preset's target
; "installer" runs makensis with:
;   VERSION   the program's version
;   CLI       poolside-cli.exe, the window-less program
;   SOURCE    the source folder (README.md, docs/)
;   OUTFILE   the installer to write
;   QT_BUILD  (optional) a folder holding poolside.exe and the DLLs that
;             windeployqt gathered beside it: the whole program is installed
; It installs into Program Files\Poolside, adds a Start menu entry for the
; windowed program when there is one, and registers an uninstaller.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "Poolside ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Poolside"
InstallDirRegKey HKLM "Software\Poolside" "InstallDir"
BrandingText "Poolside ${VERSION}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Poolside"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Poolside"
  SetOutPath "$INSTDIR"
  File "${CLI}"
  File "${SOURCE}/README.md"
  File "${SOURCE}/LICENSE"
  SetOutPath "$INSTDIR\docs"
  File /r "${SOURCE}/docs/*"
!ifdef QT_BUILD
  SetOutPath "$INSTDIR"
  File /r "${QT_BUILD}/*"
  CreateShortcut "$SMPROGRAMS\Poolside.lnk" "$INSTDIR\poolside.exe"
!endif
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Poolside" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Poolside"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Poolside"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\Poolside.lnk"
  ; Only what the installer put there: the meet's data folders are elsewhere.
  RMDir /r "$INSTDIR\docs"
  Delete "$INSTDIR\poolside-cli.exe"
  Delete "$INSTDIR\README.md"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\uninstall.exe"
!ifdef QT_BUILD
  RMDir /r "$INSTDIR"
!endif
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Poolside"
SectionEnd
