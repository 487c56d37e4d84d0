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
;
; Exit codes: 0 installed (removed); 2 nothing or not all was done, with the
; reason in a message box, or in silent mode on the standard error output
; when the caller gave one (in the ANSI code page). The uninstaller started
; as "uninstall.exe /S" hands its work to a copy of itself in the temporary
; folder and returns 0 at once; started as "uninstall.exe /S _?=<its folder>"
; it works in place and returns its own code.

!ifndef TARGET
  !define TARGET x86-unicode
!endif

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma

; The version is the program's own, read from the version resource of the
; quellor.exe packed here, so that the two never disagree.
!getdllversion "${PROGRAM}" PROGRAM_VERSION_
!if "${PROGRAM_VERSION_1}" == ""
  !error "${PROGRAM} carries no version resource"
!endif
!define VERSION "${PROGRAM_VERSION_1}.${PROGRAM_VERSION_2}"

!define APP "Управление термостатом КРМ-Д"
!define MAKER "ЗАО $\"ЛИРВАН$\""
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KRMD Quellor"

Name "${APP} ${VERSION}"
Caption "${APP} ${VERSION}: установка"
UninstallCaption "${APP} ${VERSION}: удаление"
OutFile "${OUTFILE}"
!if ${TARGET} == amd64-unicode
  InstallDir "$PROGRAMFILES64\KRMD Quellor"
!else
  InstallDir "$PROGRAMFILES\KRMD Quellor"
!endif
; An upgrade goes where the last install went (a folder given with /D= too);
; otherwise it would leave that copy behind, orphaned.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

!include "MUI2.nsh"
!include "LogicLib.nsh"

!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION RunAsOperator
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Russian"

VIProductVersion "${PROGRAM_VERSION_1}.${PROGRAM_VERSION_2}.${PROGRAM_VERSION_3}.${PROGRAM_VERSION_4}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductName" "${APP}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "CompanyName" "${MAKER}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileDescription" "Установка программы управления термостатом КРМ-Д"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_RUSSIAN} "LegalCopyright" "© ${MAKER}"

!define RUNNING_TEXT "Программа управления термостатом запущена.$\r$\nЗакройте её и повторите."
!define HELD_TEXT "не удаётся заменить или удалить: программа управления термостатом запущена (возможно, другим пользователем Windows) или файл открыт другой программой."
!define CLOSE_TEXT "Закройте программу и нажмите «Повтор» или нажмите «Отмена»."

; Fail <text>: the installer (uninstaller) stops with exit code 2 and says
; why in the details list and, in silent mode, on the standard error output
; if it has one; the operator of an installer with pages has been told in a
; box already. Nothing after this point is done.
!macro FailWith TEXT
  DetailPrint "${TEXT}"
  Push "${TEXT}"
  !ifdef __UNINSTALL__
    Call un.TellFailure
  !else
    Call TellFailure
  !endif
  SetErrorLevel 2
  Abort
!macroend
!define Fail "!insertmacro FailWith"

!macro TELL_FAILURE UN PROGRAM_NAME
Function ${UN}TellFailure
  Exch $0
  Push $1
  ${If} ${Silent}
    System::Call 'kernel32::GetStdHandle(i -12) p .r1'
    ${If} $1 != 0
    ${AndIf} $1 != -1
      FileWrite $1 "${PROGRAM_NAME}: $0$\r$\n"
    ${EndIf}
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro TELL_FAILURE "" quellor-setup
!insertmacro TELL_FAILURE "un." uninstall

; A running copy holds quellor.exe open; replacing or removing it then fails.
; A copy on this desktop is found by its window class, "termostat"; one that
; is not (another Windows session, or a copy started since) is caught where
; the file cannot be written or deleted, in the sections.
!macro RefuseWhileRunning
  FindWindow $0 "termostat" ""
  ${If} $0 <> 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "${RUNNING_TEXT}" /SD IDOK
    Push "${RUNNING_TEXT}"
    !ifdef __UNINSTALL__
      Call un.TellFailure
    !else
      Call TellFailure
    !endif
    SetErrorLevel 2
    Abort
  ${EndIf}
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

; PutFile <source> <name>: writes $INSTDIR\<name>, or fails. "SetOverwrite
; try" makes a file that cannot be written set the error flag instead of the
; Abort/Retry/Ignore box, whose silent answer is "Ignore" with success.
!macro PutFile SOURCE NAME
  !define PUT_ID ${__LINE__}
  put_${PUT_ID}:
  ClearErrors
  File "/oname=${NAME}" "${SOURCE}"
  ${If} ${Errors}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$INSTDIR\${NAME}$\r$\n${HELD_TEXT}$\r$\n$\r$\n${CLOSE_TEXT}" /SD IDCANCEL IDRETRY put_${PUT_ID}
    ${Fail} "$INSTDIR\${NAME} ${HELD_TEXT} Установка прервана."
  ${EndIf}
  !undef PUT_ID
!macroend

Section "Программа и руководство" SecProgram
  SectionIn RO
  ; Shortcuts take the output folder as their working folder.
  SetOutPath "$INSTDIR"
  SetOverwrite try
  ; The program first: when it cannot be replaced, nothing else has changed.
  !insertmacro PutFile "${PROGRAM}" quellor.exe
  !insertmacro PutFile "${GUIDE}" quellor.pdf
  SetOverwrite on
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR\uninstall.exe: не удалось записать." /SD IDOK
    ${Fail} "$INSTDIR\uninstall.exe: не удалось записать. Установка прервана."
  ${EndIf}

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

; "Запустить" on the finish page. The installer runs elevated, perhaps under
; an administrator's name: a program it started itself would keep its
; settings and its run in that administrator's profile, and its single-copy
; check would then turn away the operator's own copy. So the program is
; started by the desktop's shell, which runs as the operator: the shell's
; IShellDispatch2::ShellExecute, reached through the desktop's window
; (IShellWindows::FindWindowSW, its top-level browser, its active view).
; Without a shell to ask, the program is started from here.
Function RunAsOperator
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  Push $8
  Push $9
  ; $0 the last HRESULT; $1 to $5 the interfaces of each step, released
  ; when the next one is had; $6 $7 VARIANTs (24 bytes: the x64 size, more
  ; than the x86 one), $8 $9 BSTRs.
  StrCpy $1 0
  StrCpy $2 0
  StrCpy $3 0
  StrCpy $4 0
  StrCpy $5 0
  System::Alloc 24
  Pop $6
  System::Alloc 24
  Pop $7
  System::Call '*$6(i 3)' ; VT_I4, CSIDL_DESKTOP (0)
  ; CLSID_ShellWindows, IID_IShellWindows
  System::Call 'ole32::CoCreateInstance(g "{9BA05972-F6A8-11CF-A442-00A0C90A8F39}", p 0, i 0x17, \
      g "{85CB6900-4D95-11CF-960C-0080C7F4EE85}", *p .r1) i .r0'
  ${If} $0 = 0
    ; FindWindowSW(location, empty, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH, &dispatch)
    System::Call '$1->15(p r6, p r7, i 8, *i .r9, i 1, *p .r2) i .r0'
    System::Call '$1->2()'
    ${If} $0 = 0
    ${AndIf} $2 == 0
      StrCpy $0 1 ; S_FALSE: no desktop window
    ${EndIf}
  ${EndIf}
  ${If} $0 = 0
    ; IServiceProvider::QueryService(SID_STopLevelBrowser, IID_IShellBrowser)
    System::Call '$2->0(g "{6D5140C1-7436-11CE-8034-00AA006009FA}", *p .r1) i .r0'
    System::Call '$2->2()'
    ${If} $0 = 0
      System::Call '$1->3(g "{4C96BE40-915C-11CF-99D3-00AA004AE837}", \
          g "{000214E2-0000-0000-C000-000000000046}", *p .r3) i .r0'
      System::Call '$1->2()'
    ${EndIf}
  ${EndIf}
  ${If} $0 = 0
    ; IShellBrowser::QueryActiveShellView
    System::Call '$3->15(*p .r4) i .r0'
    System::Call '$3->2()'
  ${EndIf}
  ${If} $0 = 0
    ; IShellView::GetItemObject(SVGIO_BACKGROUND, IID_IDispatch)
    System::Call '$4->15(i 0, g "{00020400-0000-0000-C000-000000000046}", *p .r1) i .r0'
    System::Call '$4->2()'
  ${EndIf}
  ${If} $0 = 0
    ; IShellFolderViewDual::get_Application, then IShellDispatch2
    System::Call '$1->0(g "{E7A1AF80-4D96-11CF-960C-0080C7F4EE85}", *p .r2) i .r0'
    System::Call '$1->2()'
    ${If} $0 = 0
      System::Call '$2->7(*p .r1) i .r0'
      System::Call '$2->2()'
    ${EndIf}
    ${If} $0 = 0
      System::Call '$1->0(g "{A4C6892C-3BA9-11D2-9DEA-00C04FB16162}", *p .r5) i .r0'
      System::Call '$1->2()'
    ${EndIf}
  ${EndIf}
  ${If} $0 = 0
    ; ShellExecute(file, args, folder, verb, show): the program, in its own
    ; folder (where it looks for its guide).
    System::Call 'oleaut32::SysAllocString(w "$INSTDIR\quellor.exe") p .r8'
    System::Call 'oleaut32::SysAllocString(w "$INSTDIR") p .r9'
    System::Call '*$6(i 8, i 0, p r9)' ; VT_BSTR
    !if ${TARGET} == amd64-unicode
      ; A VARIANT by value goes by reference in the x64 calling convention.
      System::Call '$5->31(p r8, p r7, p r6, p r7, p r7) i .r0'
    !else
      ; By value on the stack: four 32-bit words each.
      System::Call '$5->31(p r8, i 0, i 0, i 0, i 0, i 8, i 0, p r9, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0, i 0) i .r0'
    !endif
    System::Call '$5->2()'
    System::Call 'oleaut32::SysFreeString(p r8)'
    System::Call 'oleaut32::SysFreeString(p r9)'
  ${EndIf}
  System::Free $6
  System::Free $7
  ${If} $0 <> 0
    DetailPrint "Оболочка Windows не запустила программу ($0): программа запускается установщиком."
    SetOutPath "$INSTDIR"
    Exec '"$INSTDIR\quellor.exe"'
  ${EndIf}
  Pop $9
  Pop $8
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Only what the installer put there: the operator's settings file in the
; application-data folder, and anything else in the program's folder (record
; files saved there, the instrument's own manuals), stay. The program goes
; first and must go: while it stays, so do the shortcuts and the entry in
; "Programs and Features", through which the removal can be tried again.
!macro RemoveFile NAME
  !define REMOVE_ID ${__LINE__}
  remove_${REMOVE_ID}:
  Delete "$INSTDIR\${NAME}"
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$INSTDIR\${NAME}$\r$\n${HELD_TEXT}$\r$\n$\r$\n${CLOSE_TEXT}" /SD IDCANCEL IDRETRY remove_${REMOVE_ID}
    ${Fail} "$INSTDIR\${NAME} ${HELD_TEXT} Удаление прервано."
  ${EndIf}
  !undef REMOVE_ID
!macroend

Section "Uninstall"
  !insertmacro RemoveFile quellor.exe
  !insertmacro RemoveFile quellor.pdf

  SetShellVarContext all
  Delete "$DESKTOP\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\${APP}.lnk"
  Delete "$SMPROGRAMS\${APP}\Руководство пользователя.lnk"
  Delete "$SMPROGRAMS\${APP}\Удаление программы.lnk"
  RMDir "$SMPROGRAMS\${APP}"

  ; Started in place (_?=), the uninstaller cannot remove itself; its caller does.
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
