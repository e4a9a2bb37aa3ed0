; Quotemill's installer for one user: no administrator rights, nothing outside the user's own
; folders and HKEY_CURRENT_USER. packaging/windows/CMakeLists.txt builds it and defines
; VERSION (the project's), VERSION4 (the same in the four numbers of a version resource),
; STAGE (the folder as it is installed), ICON and OUTFILE.

Unicode true
; The programs are 64-bit; so is the installer, which runs the helper.
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quotemill"
; Fixed names, so the uninstaller finds them whatever language either of them ran in.
!define SETTINGS_SHORTCUT "$SMPROGRAMS\Quotemill.lnk"
!define EXTENSION_SHORTCUT "$SMPROGRAMS\Quotemill - load the browser extension.lnk"
!define EXTENSION_PAGE "browser-extension.html"

; The files at the top of the folder, for the installer to put and the uninstaller to take
; away: FILES MACRO inserts MACRO once for each.
!macro FILES what
  !insertmacro ${what} quotemill.exe
  !insertmacro ${what} quotemill3.exe
  !insertmacro ${what} quotemill-host.exe
  !insertmacro ${what} README.txt
  !insertmacro ${what} ${EXTENSION_PAGE}
  !insertmacro ${what} quotemill.xpi
!macroend
!macro PUT name
  File "${STAGE}/${name}"
!macroend
!macro TAKE name
  Delete "$INSTDIR\${name}"
!macroend

Name "Quotemill"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Quotemill"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Quotemill ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\${EXTENSION_PAGE}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(ShowExtensionPage)"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quotemill.exe"
!define MUI_FINISHPAGE_RUN_TEXT "$(OpenSettings)"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

LangString ShowExtensionPage ${LANG_ENGLISH} "Show how to load the browser extension"
LangString ShowExtensionPage ${LANG_JAPANESE} "ブラウザー拡張機能の読み込み方を表示する"
LangString OpenSettings ${LANG_ENGLISH} "Open the settings window"
LangString OpenSettings ${LANG_JAPANESE} "設定ウィンドウを開く"
LangString SettingsComment ${LANG_ENGLISH} "Generate the browser menu entries that quote a selection as HTML"
LangString SettingsComment ${LANG_JAPANESE} "選択範囲をHTMLで引用するブラウザーのメニュー項目を作ります"
LangString ExtensionComment ${LANG_ENGLISH} "How to load Quotemill's extension in Chrome, Edge, Brave, Vivaldi and Firefox"
LangString ExtensionComment ${LANG_JAPANESE} "Chrome、Edge、Brave、Vivaldi、Firefox に Quotemill の拡張機能を読み込む方法"
LangString RegisterFailed ${LANG_ENGLISH} "The helper could not be registered with the browsers (quotemill-host.exe --register ended with $0). The programs are installed, but the browser extension cannot start them until the helper is registered: run the installer again, or uninstall Quotemill."
LangString RegisterFailed ${LANG_JAPANESE} "ヘルパーをブラウザーに登録できませんでした (quotemill-host.exe --register の結果: $0)。プログラムはインストールされましたが、登録されるまでブラウザー拡張機能からは起動できません。インストーラーをもう一度実行するか、Quotemill をアンインストールしてください。"
LangString UnregisterFailed ${LANG_ENGLISH} "The helper could not be unregistered from the browsers (quotemill-host.exe --unregister ended with $0); its registry keys under HKEY_CURRENT_USER\Software may remain."
LangString UnregisterFailed ${LANG_JAPANESE} "ヘルパーの登録をブラウザーから解除できませんでした (quotemill-host.exe --unregister の結果: $0)。HKEY_CURRENT_USER\Software のレジストリキーが残っている可能性があります。"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductName "Quotemill"
VIAddVersionKey /LANG=${LANG_ENGLISH} ProductVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileVersion "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} FileDescription "Quotemill ${VERSION} Setup"
VIAddVersionKey /LANG=${LANG_ENGLISH} LegalCopyright "Quotemill"

Section "Quotemill"
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro FILES PUT
  ; The extension exactly as released: nothing of an older one stays behind.
  RMDir /r "$INSTDIR\browser"
  File /r "${STAGE}/browser"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SETTINGS_SHORTCUT}" "$INSTDIR\quotemill.exe" "" "$INSTDIR\quotemill.exe" 0 \
    SW_SHOWNORMAL "" "$(SettingsComment)"
  CreateShortcut "${EXTENSION_SHORTCUT}" "$INSTDIR\${EXTENSION_PAGE}" "" "$INSTDIR\quotemill.exe" 0 \
    SW_SHOWNORMAL "" "$(ExtensionComment)"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quotemill"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Quotemill"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quotemill.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; The helper writes its manifests and the browsers' keys itself, so the rule of where they
  ; go lives in one place. Last, so that should it fail, the uninstaller is there already.
  nsExec::ExecToLog '"$INSTDIR\quotemill-host.exe" --register'
  Pop $0
  ${If} $0 != 0
    DetailPrint "quotemill-host.exe --register: $0"
    MessageBox MB_OK|MB_ICONSTOP "$(RegisterFailed)" /SD IDOK
    Abort
  ${EndIf}
SectionEnd

Section "Uninstall"
  ; First, while the helper is still there to say which keys and manifests are its own.
  nsExec::ExecToLog '"$INSTDIR\quotemill-host.exe" --unregister'
  Pop $0
  ${If} $0 != 0
    DetailPrint "quotemill-host.exe --unregister: $0"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(UnregisterFailed)" /SD IDOK
    SetErrorLevel 2
  ${EndIf}
  !insertmacro FILES TAKE
  RMDir /r "$INSTDIR\browser"
  Delete "$INSTDIR\uninstall.exe"
  ; Only when empty: a file of the user's keeps the folder. So for the folder the installer
  ; may have made above it, and the workers' folder that the helper makes (user.txt stays).
  RMDir "$INSTDIR"
  RMDir "$LOCALAPPDATA\Programs"
  RMDir "$APPDATA\Quotemill"
  Delete "${SETTINGS_SHORTCUT}"
  Delete "${EXTENSION_SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Microsoft\Windows\CurrentVersion\Uninstall"
SectionEnd
