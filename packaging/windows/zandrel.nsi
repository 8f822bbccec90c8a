; The Windows installer: for the current user, without administrator
; rights, into %LOCALAPPDATA%\Programs\Zandrel; a Start-menu entry, an
; uninstaller, and (unticked) .mdb files opened with Zandrel.
; makensis -DVERSION=1.0.0.1 -DSTAGE=<files> -DICON=<.ico> -DOUTFILE=<setup.exe> zandrel.nsi
; A 64-bit installer for a 64-bit program (it also runs where only 64-bit
; programs run, as under a 64-bit-only wine).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include "MUI2.nsh"

Name "Zandrel"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Zandrel"
InstallDirRegKey HKCU "Software\Zandrel" "InstallDir"
VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1049 "ProductName" "Zandrel"
VIAddVersionKey /LANG=1049 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1049 "FileDescription" "Установка Zandrel"
VIAddVersionKey /LANG=1049 "LegalCopyright" "The Zandrel developers, MIT"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\zandrel.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zandrel"

Section "Zandrel" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    WriteRegStr HKCU "Software\Zandrel" "InstallDir" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Zandrel"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "The Zandrel developers"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zandrel.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    CreateDirectory "$SMPROGRAMS\Zandrel"
    CreateShortcut "$SMPROGRAMS\Zandrel\Zandrel.lnk" "$INSTDIR\zandrel.exe"
    CreateShortcut "$SMPROGRAMS\Zandrel\Удалить Zandrel.lnk" "$INSTDIR\uninstall.exe"
SectionEnd

; Unticked: the user chooses it.
Section /o "Открывать файлы .mdb с помощью Zandrel" SecAssociate
    WriteRegStr HKCU "Software\Classes\.mdb" "" "Zandrel.Catalogue"
    WriteRegStr HKCU "Software\Classes\Zandrel.Catalogue" "" "Каталог Zandrel"
    WriteRegStr HKCU "Software\Classes\Zandrel.Catalogue\DefaultIcon" "" "$INSTDIR\zandrel.exe,0"
    WriteRegStr HKCU "Software\Classes\Zandrel.Catalogue\shell\open\command" "" '"$INSTDIR\zandrel.exe" "%1"'
    WriteRegStr HKCU "Software\Zandrel" "Associated" "1"
    System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

LangString DESC_Program ${LANG_RUSSIAN} "Программа, её библиотеки и пример каталога."
LangString DESC_Associate ${LANG_RUSSIAN} "Файлы .mdb будут открываться в Zandrel двойным щелчком."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
!insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_Program)
!insertmacro MUI_DESCRIPTION_TEXT ${SecAssociate} $(DESC_Associate)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "Uninstall"
    ReadRegStr $0 HKCU "Software\Zandrel" "Associated"
    StrCmp $0 "1" 0 +3
        DeleteRegKey HKCU "Software\Classes\Zandrel.Catalogue"
        DeleteRegValue HKCU "Software\Classes\.mdb" ""
    Delete "$SMPROGRAMS\Zandrel\Zandrel.lnk"
    Delete "$SMPROGRAMS\Zandrel\Удалить Zandrel.lnk"
    RMDir "$SMPROGRAMS\Zandrel"
    ; The daily check the reminders window set up goes with the program.
    nsExec::Exec '"$SYSDIR\schtasks.exe" /Delete /TN "Zandrel\Напоминания" /F'
    Delete "$APPDATA\Zandrel\zandrel-check-due.xml"
    Delete "$SMSTARTUP\Zandrel - напоминания.lnk"
    ; The catalogues and settings the user made stay; the program's own files go.
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\translations"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\zandrel.exe"
    Delete "$INSTDIR\zandrel-jet-import.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "Software\Zandrel"
SectionEnd
