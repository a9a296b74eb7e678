; The Windows installer. makensis -DSTAGE=<staged files> -DOUTFILE=<setup.exe> -DVERSION=1.0.0 -DICON=<.ico>
; A 64-bit installer: the program is 64-bit, and a 64-bit Wine runs no 32-bit installer.
Target amd64-unicode
!include MUI2.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Velkaro"

Name "Velkaro"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Velkaro"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1049 "ProductName" "Velkaro"
VIAddVersionKey /LANG=1049 "FileDescription" "Velkaro setup"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductVersion" "${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Velkaro"
    SetOutPath "$INSTDIR"
    File "${STAGE}/*.exe"
    File "${STAGE}/*.dll"
    File "${STAGE}/help.html"
    File /r "${STAGE}/platforms"
    File /r "${STAGE}/styles"
    File /r "${STAGE}/imageformats"
    File /r "${STAGE}/translations"

    ; A base.mdb already there is the user's directory: it stays. The sample's write time marks it as ours.
    ${IfNot} ${FileExists} "$INSTDIR\base.mdb"
        File "/oname=base.mdb" "${STAGE}/sample/base.mdb"
        GetFileTime "$INSTDIR\base.mdb" $0 $1
        WriteRegStr HKLM "${UNINSTALL_KEY}" "SampleWriteTime" "$0 $1"
    ${EndIf}

    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortCut "$SMPROGRAMS\Velkaro.lnk" "$INSTDIR\velkaro.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Velkaro"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\velkaro.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes what the installer put there, and base.mdb only while it is the untouched sample.
Section "Uninstall"
    Delete "$SMPROGRAMS\Velkaro.lnk"
    ReadRegStr $2 HKLM "${UNINSTALL_KEY}" "SampleWriteTime"
    ${If} $2 != ""
    ${AndIf} ${FileExists} "$INSTDIR\base.mdb"
        GetFileTime "$INSTDIR\base.mdb" $0 $1
        ${If} "$0 $1" == $2
            Delete "$INSTDIR\base.mdb"
        ${EndIf}
    ${EndIf}
    Delete "$INSTDIR\velkaro.exe"
    Delete "$INSTDIR\velkaro-reader.exe"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\help.html"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\imageformats"
    RMDir /r "$INSTDIR\translations"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
