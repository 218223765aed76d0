; The Windows setup program of KV Tamsort. Built by packaging/windows/build_setup.sh, which
; defines:
;   VERSION      the product version, e.g. 2.0.0
;   TREE         the stripped product tree (packaging/windows_tree.sh) to ship, whatever it holds
;   TREE_LIST    an include file that deletes exactly the files and folders of TREE again
;   OUTFILE      the setup program to write
;
; Setup copies the tree into a program folder that users cannot write, makes the main directory
; where sorts write (a folder every user of the machine can write) and finishes the installation
; there with KVTInst. Its uninstaller first lets KVUninst remove what the product made at run
; time, then removes the program folder, the shortcuts and the entry in the installed-programs
; list. Silent: setup.exe /S [/MAINDIR=folder] /D=folder, uninstall.exe /S.

Unicode true
; makensis makes a 32-bit installer unless told otherwise; the product is 64-bit only.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!ifndef VERSION | TREE | TREE_LIST | OUTFILE
  !error "Define VERSION, TREE, TREE_LIST and OUTFILE (packaging/windows/build_setup.sh does)."
!endif
!searchparse "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "."

!define PRODUCT "KV Tamsort"
!define PUBLISHER "Halvern"
; The key every program of the product reads its main directory from.
!define PRODUCT_KEY "SOFTWARE\Halvern\KV02${VERSION_MAJOR}${VERSION_MINOR}"
!define PRODUCT_PARENT_KEY "SOFTWARE\Halvern"
!define UNINST_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\KVTamsort"
!define START_MENU "$SMPROGRAMS\${PRODUCT}"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Halvern\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

Var MainDir

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
; A second folder page: the main directory, where the sorts write.
!define MUI_PAGE_HEADER_TEXT "Choose the Main Directory"
!define MUI_PAGE_HEADER_SUBTEXT "Choose the folder where sorts write their control, log and work files."
!define MUI_DIRECTORYPAGE_TEXT_TOP "Sort control files (SortCtl\), logs and work files go to this folder. Every user of this computer may write there; it is kept apart from the program folder, which users cannot change."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "Main directory"
!define MUI_DIRECTORYPAGE_VARIABLE $MainDir
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE MainDirPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Programs, shortcuts and the registry all in their 64-bit, all-users places.
!macro UseMachineWideViews
  SetRegView 64
  SetShellVarContext all
!macroend

; The files and folder KVTInst --main-dir links to the program folder, or copies where Windows
; makes no link. A link goes as a link: RMDir without /r never reaches into the program folder.
!macro RemoveShippedCopies
  Delete "$MainDir\ErrText.txt"
  Delete "$MainDir\kvtmsg.txt"
  RMDir "$MainDir\StdOrder"
  ${If} ${FileExists} "$MainDir\StdOrder\*.*"
    RMDir /r "$MainDir\StdOrder"
  ${EndIf}
!macroend

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "${PRODUCT} needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  !insertmacro UseMachineWideViews
  ; A reinstallation keeps the main directory the product already uses.
  ReadRegStr $MainDir HKLM "${PRODUCT_KEY}" "MainDir"
  ${If} $MainDir == ""
    StrCpy $MainDir "$APPDATA\Halvern\${PRODUCT}"
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/MAINDIR=" $R1
  ${IfNot} ${Errors}
    StrCpy $MainDir $R1
  ${EndIf}
  ; The folder is kept without its trailing backslash; MainDir in the registry has one.
  ${If} "$MainDir" != ""
  ${AndIf} "$MainDir" != "\"
    StrCpy $R3 "$MainDir" "" -1
    ${If} $R3 == "\"
      StrCpy $MainDir "$MainDir" -1
    ${EndIf}
  ${EndIf}
  ; A silent run has no folder page to say so: it refuses before it copies anything.
  Call MainDirOutsideProgramFolder
  Pop $R0
  ${If} $R0 == 0
  ${AndIf} ${Silent}
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

; The main directory lies outside the program folder, which users cannot write and whose
; files the uninstaller removes. Pops 1 when it does, 0 when not.
Function MainDirOutsideProgramFolder
  StrLen $R0 "$INSTDIR"
  StrCpy $R1 "$MainDir" $R0
  StrCpy $R2 "$MainDir" 1 $R0
  ${If} $R1 == $INSTDIR
    ${If} $R2 == ""
    ${OrIf} $R2 == "\"
      Push 0
      Return
    ${EndIf}
  ${EndIf}
  Push 1
FunctionEnd

Function MainDirPageLeave
  Call MainDirOutsideProgramFolder
  Pop $R0
  ${If} $R0 == 0
    MessageBox MB_ICONEXCLAMATION "Choose a main directory outside the program folder $INSTDIR."
    Abort
  ${EndIf}
FunctionEnd

Section "Programs" SecPrograms
  SectionIn RO
  !insertmacro UseMachineWideViews
  SetOutPath "$INSTDIR"
  File /r "${TREE}/*"
  WriteUninstaller "$INSTDIR\uninstall.exe"
SectionEnd

; KVTInst finishes the installation in the folder it runs from, which becomes the main directory:
; a copy runs there once with the clean-up program and the sample control file (Install.log
; records the run) and is removed again; then KVTInst --main-dir of the program folder adds the
; shipped message files, standard sort orders and sample input the sorts need.
Section "Main directory" SecMainDir
  SectionIn RO
  !insertmacro UseMachineWideViews
  ; The program folder may have been changed after the main directory's page.
  Call MainDirOutsideProgramFolder
  Pop $0
  ${If} $0 == 0
    MessageBox MB_ICONSTOP "The main directory $MainDir lies in the program folder $INSTDIR." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  CreateDirectory "$MainDir"
  ; Users (S-1-5-32-545) may create and change files there, whoever made them.
  nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$MainDir" /grant *S-1-5-32-545:(OI)(CI)M /Q'
  Pop $0
  DetailPrint "Access for all users to $MainDir: $0"
  ; The shipped files setup put there before are setup's: an update brings the new ones.
  !insertmacro RemoveShippedCopies
  CopyFiles /SILENT "$INSTDIR\KVTInst.exe" "$MainDir"
  CopyFiles /SILENT "$INSTDIR\install.wrk" "$MainDir"
  CopyFiles /SILENT "$INSTDIR\kvtsort.txt" "$MainDir"
  ExecWait '"$MainDir\KVTInst.exe"' $0
  Delete "$MainDir\KVTInst.exe"
  ${If} $0 != 0
    Call FinishingFailed
  ${EndIf}
  ; No backslash before the closing quote, where it would escape the quote.
  ExecWait '"$INSTDIR\KVTInst.exe" --main-dir "$MainDir"' $0
  ${If} $0 != 0
    Call FinishingFailed
  ${EndIf}
SectionEnd

Function FinishingFailed
  DetailPrint "KVTInst failed with exit code $0; see $MainDir\Install.log."
  MessageBox MB_ICONEXCLAMATION "The installation could not be finished in $MainDir (KVTInst exit code $0). See Install.log there." /SD IDOK
  SetErrorLevel 2
FunctionEnd

Section "Start menu and the installed-programs list" SecRegister
  SectionIn RO
  !insertmacro UseMachineWideViews
  CreateDirectory "${START_MENU}"
  ${If} ${FileExists} "$INSTDIR\KVTUtil.exe"
    CreateShortcut "${START_MENU}\${PRODUCT} Utility.lnk" "$INSTDIR\KVTUtil.exe" "" \
        "$INSTDIR\KVTUtil.exe" 0 SW_SHOWNORMAL "" "Sort files and edit sort control files"
  ${EndIf}
  CreateShortcut "${START_MENU}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\uninstall.exe" "" \
      "$INSTDIR\uninstall.exe" 0 SW_SHOWNORMAL "" "Remove ${PRODUCT} from this computer"

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  ; The uninstaller finds the main directory here even after KVUninst removed the product key.
  WriteRegStr HKLM "${UNINST_KEY}" "MainDirectory" "$MainDir"
  ${If} ${FileExists} "$INSTDIR\KVTUtil.exe"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\KVTUtil.exe"
  ${EndIf}
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" "$0"
SectionEnd

; ---------------------------------------------------------------------------------------------
; The uninstaller.

Function un.onInit
  !insertmacro UseMachineWideViews
  ReadRegStr $MainDir HKLM "${UNINST_KEY}" "MainDirectory"
  ${If} $MainDir == ""
    ReadRegStr $MainDir HKLM "${PRODUCT_KEY}" "MainDir"
    StrCpy $MainDir "$MainDir" -1
  ${EndIf}
FunctionEnd

!addincludedir "${__FILEDIR__}"
!include "${TREE_LIST}"
!include "uninstall.nsh"

Section "Uninstall"
  !insertmacro UseMachineWideViews
  Call un.RunTimeCleanUp
  Call un.SetupFilesOfMainDir
  Call un.MainDirItself

  Delete "${START_MENU}\${PRODUCT} Utility.lnk"
  Delete "${START_MENU}\Uninstall ${PRODUCT}.lnk"
  RMDir "${START_MENU}"
  DeleteRegKey HKLM "${UNINST_KEY}"
  ; Setup made the publisher's key; it goes when no product of the publisher is left in it.
  DeleteRegKey /ifempty HKLM "${PRODUCT_PARENT_KEY}"

  ; Exactly the files setup copied: nothing a user put into the program folder is lost.
  !insertmacro RemoveProductTree
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
SectionEnd
