; quellor-setup.exe: installs quellor.exe and its guide quellor.pdf into one
; folder, with Start-menu shortcuts (and, if chosen, one on the desktop) whose
; working folder is that folder, so that the "Справка" menu finds the guide.
; The uninstaller removes exactly what was installed; the operator's settings
; in %APPDATA%\KRMD stay.
;
; makensis -DTARGET=x86-unicode -DPROGRAM=...\quellor.exe -DGUIDE=...\quellor.pdf
;          -DOUTFILE=...\quellor-setup.exe installer/quellor.nsi
; TARGET x86-unicode is the shipped installer of the 32-bit program;
; amd64-unicode installs the 64-bit one (into the 64-bit Program Files).

!ifndef TARGET
  !define TARGET x86-unicode
!endif
!ifndef VERSION
  !define VERSION 2.1
!endif

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma

!define APP "Управление термостатом КРМ-Д"
!define MAKER "ЗАО $\"ЛИРВАН$\""
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KRMD Quellor"

Name "${APP}"
Caption "${APP}: установка"
UninstallCaption "${APP}: удаление"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\KRMD Quellor"
!else
  InstallDir "$PROGRAMFILES\KRMD Quellor"
!endif
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!include "MUI2.nsh"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\quellor.exe"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${APP}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка программы управления термостатом КРМ-Д"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "© ${MAKER}"

; A running copy holds quellor.exe open; replacing or removing it then fails
; half-way. The program's window class is "termostat".
!macro RefuseWhileRunning
  FindWindow $0 "termostat" ""
  StrCmp $0 0 +3
    MessageBox MB_OK|MB_ICONEXCLAMATION "Программа управления термостатом запущена.$\r$\nЗакройте её и повторите." /SD IDOK
    Abort
!macroend

Function .onInit
  !insertmacro RefuseWhileRunning
  !if ${TARGET} == amd64-unicode
    SetRegView 64
  !endif
FunctionEnd

Function un.onInit
  !insertmacro RefuseWhileRunning
  !if ${TARGET} == amd64-unicode
    SetRegView 64
  !endif
FunctionEnd

Section "Программа и руководство" SecProgram
  SectionIn RO
  ; Shortcuts take the output folder as their working folder.
  SetOutPath "$INSTDIR"
  File "/oname=quellor.exe" "${PROGRAM}"
  File "/oname=quellor.pdf" "${GUIDE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${APP}"
  CreateShortCut "$SMPROGRAMS\${APP}\${APP}.lnk" "$INSTDIR\quellor.exe" "" "$INSTDIR\quellor.exe" 0
  CreateShortCut "$SMPROGRAMS\${APP}\Руководство пользователя.lnk" "$INSTDIR\quellor.pdf"
  CreateShortCut "$SMPROGRAMS\${APP}\Удаление программы.lnk" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quellor.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" "$\"$INSTDIR\uninstall.exe$\""
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" "$\"$INSTDIR\uninstall.exe$\" /S"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" 2048
SectionEnd

Section "Ярлык на рабочем столе" SecDesktop
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateShortCut "$DESKTOP\${APP}.lnk" "$INSTDIR\quellor.exe" "" "$INSTDIR\quellor.exe" 0
SectionEnd

; Only what the installer put there: the operator's settings file in the
; application-data folder, and anything else in the program's folder (record
; files saved there, the instrument's own manuals), stay.
Section "Uninstall"
  SetShellVarContext all
  Delete "$DESKTOP\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\Руководство пользователя.lnk"
  Delete "$SMPROGRAMS\${APP}\Удаление программы.lnk"
  RMDir "$SMPROGRAMS\${APP}"

  Delete "$INSTDIR\quellor.exe"
  Delete "$INSTDIR\quellor.pdf"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
