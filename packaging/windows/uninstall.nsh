; The uninstaller's steps in the main directory, included by kvtamsort.nsi. $MainDir is the main
; directory without its trailing backslash, empty when neither setup nor the product recorded one.

; The product's own clean-up first: KVUninst deletes the product key and what the sorts made
; (logs, status files, SortCtl\ and SortOrder\, after its window lists them). Silent removal
; confirms for the user. Without the product key there is nothing of this left to clean.
Function un.RunTimeCleanUp
  ClearErrors
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "MainDir"
  ${If} ${Errors}
    DetailPrint "The product key is gone already: the run-time files were cleaned before."
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\KVUninst.exe"
    Call un.RunTimeCleanUpWithoutKVUninst
    Return
  ${EndIf}
  ${If} ${Silent}
    ExecWait '"$INSTDIR\KVUninst.exe" --confirm' $1
  ${Else}
    ExecWait '"$INSTDIR\KVUninst.exe"' $1
  ${EndIf}
  DetailPrint "KVUninst ended with exit code $1."
  ClearErrors
  ReadRegStr $0 HKLM "${PRODUCT_KEY}" "MainDir"
  ${If} ${Errors}
    Return
  ${EndIf}
  ; The window was closed without Confirm, or the key could not be deleted.
  MessageBox MB_YESNO|MB_ICONQUESTION "The run-time files in $MainDir were not removed. Remove the program anyway and leave them there?" /SD IDNO IDYES keep_run_time_files
  Abort "Uninstall cancelled: nothing was removed."
keep_run_time_files:
FunctionEnd

; A build that ships no KVUninst: the key and the fixed files of sort runs go; the user's sort
; control files stay, so SortCtl\ goes only when nothing but the sample is left in it.
Function un.RunTimeCleanUpWithoutKVUninst
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  ${If} $MainDir == ""
    Return
  ${EndIf}
  Delete "$MainDir\Install.log"
  Delete "$MainDir\kvtinst.cfg"
  Delete "$MainDir\kvtsortLog.*"
  Delete "$MainDir\kvtsort.log"
  Delete "$MainDir\kvtsort.old"
  Delete "$MainDir\kvtsort.sts"
  Delete "$MainDir\kvtsort.lck"
  Delete "$MainDir\kvtwork.lck"
  Delete "$MainDir\SortCtl\kvtsort.txt"
  RMDir "$MainDir\SortCtl"
  RMDir "$MainDir\SortOrder"
FunctionEnd

; What setup itself put into the main directory besides the run-time files: the copies of the
; shipped files, and the sample control file and configuration copies KVUninst leaves for the
; package (kvtsort.txt, install.ctl, install.wrk).
Function un.SetupFilesOfMainDir
  ${If} $MainDir == ""
    Return
  ${EndIf}
  !insertmacro RemoveShippedCopies
  Delete "$MainDir\sample.dat"
  Delete "$MainDir\kvtsort.txt"
  Delete "$MainDir\install.ctl"
  Delete "$MainDir\install.wrk"
FunctionEnd

; The main directory goes when it is empty. Anything left in it is the user's (sort input and
; output): it is deleted only when the user says so, never by a silent removal.
Function un.MainDirItself
  ${If} $MainDir == ""
    Return
  ${EndIf}
  RMDir "$MainDir"
  ${IfNot} ${FileExists} "$MainDir\*.*"
    RMDir "$MainDir\.."
    Return
  ${EndIf}
  StrLen $0 "$MainDir"
  ${If} $0 <= 3
    DetailPrint "$MainDir is kept: it holds files of yours."
    Return
  ${EndIf}
  MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 "$MainDir still holds files of yours (sort input, output or control files). Delete them too?" /SD IDNO IDYES delete_user_files
  DetailPrint "$MainDir is kept: it holds files of yours."
  Return
delete_user_files:
  RMDir /r "$MainDir"
  RMDir "$MainDir\.."
FunctionEnd
