; The installer a plug-in author would otherwise build with NSIS: the same job
; as ZUVInstaller.exe, as closely as NSIS allows, with the stock Modern UI 2
; pages. A measuring stick for bench/run; it never ships.
;
;   makensis -DOUTFILE=zuv-nsis.exe zuv.nsi
;
; Run it from the folder holding dsp_zv.dll, helpfile.html and zvlogo.jpg.
; /S installs silently and starts the player at the end.

!ifndef OUTFILE
  !define OUTFILE "zuv-nsis.exe"
!endif

SetCompressor zlib
Name "ZUV"
Caption "ZUVInstaller v1.0g"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
ShowInstDetails nevershow

!include "MUI2.nsh"
!include "LogicLib.nsh"

; The product's own icon file, the one the installer's resource uses, as a
; plug-in author would give it. Also as the uninstaller's: with no uninstaller
; at all, makensis still keeps room in the icon resource for the default
; uninstaller icon (13,902 bytes) unless told another.
!define MUI_ICON "../../res/pictures/zuv.ico"
!define MUI_UNICON "../../res/pictures/zuv.ico"

!define PLAYER_COMMAND_KEY "SOFTWARE\Classes\Winamp.File\shell\Play\command"
!define PLAYER_WINDOW_CLASS "Winamp v1.x"

!define MUI_FINISHPAGE_RUN "$INSTDIR\..\winamp.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Winamp"
!define MUI_FINISHPAGE_SHOWREADME "$EXEDIR\helpfile.html"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the ZUV help page"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "licence.txt"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE LocationLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; One little-endian 32-bit integer, byte by byte.
!macro WriteInt32 handle b0 b1 b2 b3
  FileWriteByte ${handle} ${b0}
  FileWriteByte ${handle} ${b1}
  FileWriteByte ${handle} ${b2}
  FileWriteByte ${handle} ${b3}
!macroend
!define Int32 "!insertmacro WriteInt32"

Function .onInit
  ; The player's folder: the registered play command less its opening quote,
  ; cut before its first "winamp.exe" (StrCmp ignores letter case).
  ReadRegStr $0 HKLM "${PLAYER_COMMAND_KEY}" ""
  StrLen $2 $0
  StrCpy $1 1
  ${Do}
    ${If} $1 >= $2
      MessageBox MB_ICONSTOP "The Winamp player is required to use this plugin.$\nPlease go to www.winamp.com to download$\nand install Winamp. Then run this program again." /SD IDOK
      Abort
    ${EndIf}
    StrCpy $3 $0 10 $1
    ${If} $3 == "winamp.exe"
      ${Break}
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
  IntOp $1 $1 - 1
  ; The folder keeps its trailing backslash.
  StrCpy $5 $0 $1 1
  StrCpy $INSTDIR "$5plugins"

  ; The plug-in's default settings, once per machine.
  ${IfNot} ${FileExists} "$WINDIR\zuv.cfg"
    ClearErrors
    FileOpen $4 "$WINDIR\zuv.cfg" w
    ${IfNot} ${Errors}
      ${Int32} $4 85 0 0 0
      ${Int32} $4 80 0 0 0
      ${Int32} $4 30 0 0 0
      ${Int32} $4 70 0 0 0
      ${Int32} $4 70 0 0 0
      ${Int32} $4 0 0 0 0
      ${Int32} $4 1 0 0 0
      ${Int32} $4 1 0 0 0
      ${Int32} $4 1 0 0 0
      ${Int32} $4 1 0 0 0
      ${Int32} $4 1 0 0 0
      ${Int32} $4 0 0 0 0
      FileWrite $4 "Default$\n"
      FileWrite $4 "ZUV settings 1$\n"
      ${Int32} $4 0 0 0 0
      ${Int32} $4 255 255 255 255
      ${Int32} $4 255 255 255 255
      FileClose $4
    ${EndIf}
  ${EndIf}
FunctionEnd

Function LocationLeave
  ${IfNot} ${FileExists} "$INSTDIR\..\winamp.exe"
    MessageBox MB_ICONSTOP "Winamp does not exist at the specified location$\nPlease check the path or re-install Winamp."
    Abort
  ${EndIf}
FunctionEnd

Section "ZUV"
  ; The directory page's check does not run in silent mode.
  ${IfNot} ${FileExists} "$INSTDIR\..\winamp.exe"
    MessageBox MB_ICONSTOP "Winamp does not exist at the specified location" /SD IDOK
    Abort
  ${EndIf}

  ; A running player would hold the module and rewrite winamp.ini on exit.
  FindWindow $0 "${PLAYER_WINDOW_CLASS}"
  ${If} $0 <> 0
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
  ${EndIf}

  ClearErrors
  CopyFiles /SILENT /FILESONLY "$EXEDIR\dsp_zv.dll" "$INSTDIR"
  CopyFiles /SILENT /FILESONLY "$EXEDIR\helpfile.html" "$INSTDIR"
  CopyFiles /SILENT /FILESONLY "$EXEDIR\zvlogo.jpg" "$INSTDIR"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Error: At least one source file not found." /SD IDOK
    Abort
  ${EndIf}

  WriteINIStr "$INSTDIR\..\winamp.ini" "Winamp" "dspplugin_name" "dsp_zv.dll"
  WriteINIStr "$INSTDIR\..\winamp.ini" "Winamp" "dspplugin_num" "0"
  WriteINIStr "$INSTDIR\..\winamp.ini" "Winamp" "eq_open" "0"
  WriteINIStr "$INSTDIR\..\winamp.ini" "Winamp" "pe_open" "0"
  WriteINIStr "$INSTDIR\..\winamp.ini" "Winamp" "mb_open" "0"

  ; The finish page's run option does not show in silent mode.
  ${If} ${Silent}
    Exec '"$INSTDIR\..\winamp.exe"'
  ${EndIf}
SectionEnd
