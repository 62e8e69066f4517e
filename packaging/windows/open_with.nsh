; VELKOR in Explorer's "Ouvrir avec" list, for program files above all:
; the file chosen is passed to velkor.exe as its argument.
WriteRegStr SHCTX "Software\Classes\Applications\velkor.exe" "FriendlyAppName" "VELKOR"
WriteRegStr SHCTX "Software\Classes\Applications\velkor.exe\shell\open\command" "" '"$INSTDIR\velkor.exe" "%1"'
WriteRegStr SHCTX "Software\Classes\Applications\velkor.exe\SupportedTypes" ".prg" ""
WriteRegStr SHCTX "Software\Classes\.prg\OpenWithList\velkor.exe" "" ""
