; The Windows installer, gloopa-setup.exe. scripts/build-windows.sh builds it from the zip's
; folder with
;   makensis -DVERSION=<project version> -DSTAGE=<folder> -DFILES=<file list> -DICON=<gloopa.ico>
;            -DOUTFILE=<exe> gloopa.nsi
; where the file list (an .nsh) names every file of the folder once: the installer lays down
; exactly those, and the uninstaller removes exactly those, so a folder chosen by the player that
; holds other files never loses them.
;
; It installs for the current user (%LOCALAPPDATA%\Programs\Gloopa, no administrator needed), or
; with /AllUsers, from an administrator's prompt, for everyone (Program Files). /S is silent and
; /D=<folder> (last on the line) picks the folder. The uninstaller's registry entry carries the
; same /AllUsers, so it removes what it was installed as.
; A 64-bit installer, like the game: it runs where the game does, also under a Wine that runs no
; 32-bit programs.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include x64.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Gloopa"
!define PUBLISHER "The Gloopa developers"

Name "Gloopa"
Caption "Gloopa ${VERSION} Setup"
BrandingText "Gloopa ${VERSION}"
OutFile "${OUTFILE}"
; Chosen in .onInit from the install mode unless /D= gave one.
InstallDir ""

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey ProductName "Gloopa"
VIAddVersionKey ProductVersion "${VERSION}"
VIAddVersionKey FileVersion "${VERSION}"
VIAddVersionKey FileDescription "Gloopa ${VERSION} Setup"
VIAddVersionKey CompanyName "${PUBLISHER}"
VIAddVersionKey LegalCopyright "Copyright (c) ${PUBLISHER}. Released under the MIT licence."

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\gloopa.exe"
!define MUI_FINISHPAGE_RUN_PARAMETERS "--desktop"
!define MUI_FINISHPAGE_RUN_NOTCHECKED
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "${FILES}"

Var AllUsers

; /AllUsers: Program Files, the all-users Start menu and HKLM; otherwise the user's own. The
; 64-bit registry view, so that an all-users entry is not hidden under WOW6432Node.
!macro ChooseInstallMode
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AllUsers" $1
  ${If} ${Errors}
    StrCpy $AllUsers 0
    SetShellVarContext current
  ${Else}
    StrCpy $AllUsers 1
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "admin"
      MessageBox MB_OK|MB_ICONSTOP "Installing for all users needs an administrator: run this from a prompt opened as administrator." /SD IDOK
      SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
      Quit
    ${EndIf}
    SetShellVarContext all
  ${EndIf}
!macroend

Function .onInit
  !insertmacro ChooseInstallMode
  ${If} $INSTDIR == ""
    ${If} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Gloopa"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Gloopa"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Gloopa" SecGame
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro GloopaInstallFiles
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The shortcut starts in the game's folder: full screen at the desktop's own size.
  CreateShortcut "$SMPROGRAMS\Gloopa.lnk" "$INSTDIR\gloopa.exe" "--desktop" \
    "$INSTDIR\gloopa.exe" 0 SW_SHOWNORMAL "" "Gloopa, an arcade game of life, death and destruction"

  ${If} $AllUsers == 1
    StrCpy $0 " /AllUsers"
  ${Else}
    StrCpy $0 ""
  ${EndIf}
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Gloopa"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\gloopa.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"$0'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S$0'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  IntFmt $1 "0x%08X" $1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $1
SectionEnd

Function un.onInit
  !insertmacro ChooseInstallMode
FunctionEnd

; Only what the installer laid down. Screenshots (the pictures folder) and settings
; (%APPDATA%\Gloopa) live outside the folder and stay; the folder goes only once it is empty.
Section "Uninstall"
  !insertmacro GloopaDeleteFiles
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Gloopa.lnk"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
